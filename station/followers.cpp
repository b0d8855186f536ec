#include "station/followers.h"

bool Follow(Followers& followers, const Follower& follower) {
    if (followers.count >= maxFollowers) return false;
    followers.list[followers.count] = follower;
    followers.count += 1;
    return true;
}
