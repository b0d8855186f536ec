#pragma once
// The frame assembler turns the link's bytes into whole frames and counts the link's health. It
// has no other effect: what a frame causes is up to whoever receives it.

#include "protocol/frame.h"

struct FrameAssembler {
    unsigned char rxBuffer[frameLength];
    int rxPos;
    // Bytes of the frame being received, since the last frame handed on or the last restart.
    int rxPending;

    // Link health, counted since start: frames handed on from the port, bytes dropped because a
    // 0xFF restarted the frame they belonged to, and the frames so cut short.
    long long linkFrames;
    long long linkSkippedBytes;
    long long linkCutFrames;
};

// One read's bytes through the assembler, exactly as if they came one at a time. A 0xFF starts a
// frame wherever it falls and drops what had come of the frame before it; the byte at the last
// position completes the frame, which goes to onFrame(const unsigned char* frame) at once, with
// the assembler already waiting for the next one. Position and count live in registers meanwhile.
template <typename OnFrame>
void AssembleFrames(FrameAssembler& assembler, const unsigned char* bytes, int count,
                    OnFrame&& onFrame) {
    constexpr int lastFramePosition = frameLength - 1;
    int position = assembler.rxPos;
    int pending = assembler.rxPending;
    for (int i = 0; i < count; ++i) {
        const unsigned char byte = bytes[i];
        if (byte == frameStart) {
            if (pending > 0) {
                assembler.linkSkippedBytes += pending;
                assembler.linkCutFrames += 1;
            }
            pending = 0;
            position = 0;
        }
        assembler.rxBuffer[position] = byte;
        pending += 1;
        if (position == lastFramePosition) {
            position = 0;
            pending = 0;
            assembler.rxPos = 0;
            assembler.rxPending = 0;
            assembler.linkFrames += 1;
            onFrame(static_cast<const unsigned char*>(assembler.rxBuffer));
        }
        position += 1;
    }
    assembler.rxPos = position;
    assembler.rxPending = pending;
}
