#pragma once
// Whoever follows the station's measurement, set up once at start: each is told every frame the
// core takes, or every window's result, in the order they were added, as the core makes them.
// The session's rows and its raw stream are the core's own; the panel, the warm-up, the
// calibration with a mass and the review's keeping of frames follow.

struct PolarFrame;
struct StationCore;
struct WindowResult;

// Told each frame the core took, with the forces and marks it read.
struct FrameFollower {
    void* data;
    void (*take)(void* data, const StationCore& zan, const PolarFrame& frame);
};

// Told each window's result, once made.
struct WindowFollower {
    void* data;
    void (*take)(void* data, const StationCore& zan, const WindowResult& result);
};

constexpr int maxFollowers = 8;

struct Followers {
    FrameFollower frames[maxFollowers];
    int frameCount;
    WindowFollower windows[maxFollowers];
    int windowCount;
};

// Adds a follower after those already there; false, and nothing added, when the list is full.
bool Follow(Followers& followers, const FrameFollower& follower);
bool Follow(Followers& followers, const WindowFollower& follower);
