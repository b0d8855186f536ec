#pragma once
// The frame assembler turns the link's bytes into whole frames and counts the link's health. It
// has no other effect: what a frame causes is up to whoever receives it.

#include "protocol/frame.h"

#include <cstdint>
#include <cstring>

struct FrameAssembler {
    unsigned char rxBuffer[frameLength];
    int rxPos;
    // Bytes of the frame being received, since the last frame handed on or the last restart.
    int rxPending;
    // Whether the frame under way, and then the frame handed on, began with a 0xFF of its own.
    // One that did not came one byte short (its start byte dropped, the frame intact) or one
    // byte late (its start byte corrupted, every word shifted by a byte).
    bool rxStarted;
    bool frameStarted;

    // Link health, counted since start: frames handed on from the port, bytes dropped because a
    // 0xFF restarted the frame they belonged to, and the frames so cut short.
    long long linkFrames;
    long long linkSkippedBytes;
    long long linkCutFrames;
};

// Whether any of a frame's 17 bytes after its start byte is 0xFF, read eight at a time: a word
// with no 0xFF byte has, inverted, no zero byte, which the borrow of one subtraction tells.
inline bool HasStartByteAfter(const unsigned char* frame) {
    constexpr std::uint64_t ones = 0x0101010101010101u;
    constexpr std::uint64_t highs = 0x8080808080808080u;
    const auto hasZeroByte = [](std::uint64_t word) {
        return ((word - ones) & ~word & highs) != 0;
    };
    std::uint64_t first = 0;
    std::uint64_t second = 0;
    std::memcpy(&first, frame + 1, 8);
    std::memcpy(&second, frame + 9, 8);
    return hasZeroByte(~first) || hasZeroByte(~second) || frame[frameLength - 1] == frameStart;
}

// A 0xFF drops what had come of the frame before it: a frame cut short.
inline void DropPiece(FrameAssembler& assembler, int pending) {
    if (pending > 0) {
        assembler.linkSkippedBytes += pending;
        assembler.linkCutFrames += 1;
    }
}

// One read's bytes through the assembler, exactly as if they came one at a time. A 0xFF starts a
// frame wherever it falls and drops what had come of the frame before it; the byte at the last
// position completes the frame, which goes to onFrame(const unsigned char* frame) at once, with
// the assembler already waiting for the next one. Position and count live in registers meanwhile.
// A frame put together in the assembler's buffer a byte at a time (one split between two reads,
// or with a 0xFF inside) goes to onAssembled instead: its bytes were just written one by one.
template <typename OnFrame, typename OnAssembled>
void AssembleFrames(FrameAssembler& assembler, const unsigned char* bytes, int count,
                    OnFrame&& onFrame, OnAssembled&& onAssembled) {
    constexpr int lastFramePosition = frameLength - 1;
    int position = assembler.rxPos;
    int pending = assembler.rxPending;
    bool started = assembler.rxStarted;
    for (int i = 0; i < count; ++i) {
        const unsigned char byte = bytes[i];
        // The common case at once: a whole frame from its own start byte, with no 0xFF inside,
        // goes on straight from the read, as the bytes one at a time would have sent it.
        if (byte == frameStart && count - i >= frameLength && !HasStartByteAfter(bytes + i)) {
            DropPiece(assembler, pending);
            position = 1;
            pending = 0;
            started = false;
            assembler.rxPos = 0;
            assembler.rxPending = 0;
            assembler.rxStarted = false;
            assembler.frameStarted = true;
            assembler.rxBuffer[0] = frameStart;
            assembler.linkFrames += 1;
            onFrame(bytes + i);
            i += lastFramePosition;
            continue;
        }
        if (byte == frameStart) {
            DropPiece(assembler, pending);
            pending = 0;
            position = 0;
            started = true;
        }
        assembler.rxBuffer[position] = byte;
        pending += 1;
        if (position == lastFramePosition) {
            position = 0;
            pending = 0;
            assembler.rxPos = 0;
            assembler.rxPending = 0;
            assembler.rxStarted = false;
            assembler.frameStarted = started;
            started = false;
            assembler.linkFrames += 1;
            onAssembled(static_cast<const unsigned char*>(assembler.rxBuffer));
        }
        position += 1;
    }
    assembler.rxPos = position;
    assembler.rxPending = pending;
    assembler.rxStarted = started;
}

// The same, every frame to onFrame.
template <typename OnFrame>
void AssembleFrames(FrameAssembler& assembler, const unsigned char* bytes, int count,
                    OnFrame&& onFrame) {
    AssembleFrames(assembler, bytes, count, onFrame, onFrame);
}
