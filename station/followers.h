#pragma once
// Whoever follows the station's measurement, set up once at start: each is told every frame the
// core takes and every window's result, in the order they were added, as the core makes them.
// The session's rows and its raw stream are the core's own; the panel, the warm-up, the
// calibration with a mass and the review's keeping of frames follow.

struct PolarFrame;
struct StationCore;
struct WindowResult;

struct Follower {
    void* data;
    // Each frame the core took, with the forces and marks it read; none when null.
    void (*frame)(void* data, const StationCore& zan, const PolarFrame& frame);
    // Each window's result, once made; none when null.
    void (*window)(void* data, const StationCore& zan, const WindowResult& result);
};

constexpr int maxFollowers = 8;

struct Followers {
    Follower list[maxFollowers];
    int count;
};

// Adds a follower after those already there; false, and nothing added, when the list is full.
bool Follow(Followers& followers, const Follower& follower);
