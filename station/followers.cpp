#include "station/followers.h"

namespace {
template <typename Follower>
bool Add(Follower (&list)[maxFollowers], int& count, const Follower& follower) {
    if (count >= maxFollowers) return false;
    list[count] = follower;
    count += 1;
    return true;
}
} // namespace

bool Follow(Followers& followers, const FrameFollower& follower) {
    return Add(followers.frames, followers.frameCount, follower);
}

bool Follow(Followers& followers, const WindowFollower& follower) {
    return Add(followers.windows, followers.windowCount, follower);
}
