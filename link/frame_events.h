#pragma once
// What a frame brought beside its values: the link's answers to it and what the rest of the
// station does about it. The frame reader passes it on as a value.

struct FrameEvents {
    // A handshake frame, carrying digits in place of forces: nothing measures it.
    bool identityOnly;
    // A simulated crank's frame: its forces come in newtons (the link's simulatedForces).
    bool simulated;
    // The screen replaced a word of the frame: it keeps its 20 ms, but neither its forces nor its
    // revolution mark are the crank's, so nothing measures it.
    bool mended;
    // The byte the handshake sends the crank for this frame, or 0 for none.
    int handshakeByte;
    // The crank has just told its version and serial number.
    bool identified;
    // The crank has not turned for the stall limit: its power falls to 0.
    bool stalled;
    // Most frames since the last mark gave a turning crank's period: the marks were lost in a
    // link too damaged to count them, and the crank's power is unknown rather than 0.
    bool marksUnseen;
    // A revolution began with this frame; the frames since the one before spanned this many
    // revolutions (more when marks were lost, 0 for the first after a start or a stall).
    bool revolutionStarts;
    int revolutionSpan;
    // A mark no revolution can have made was rejected on this frame.
    bool markRejected;
    // Two revolutions have begun since the last window end: the window ends with this frame.
    bool windowEnds;
};
