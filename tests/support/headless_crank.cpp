#include "tests/support/headless_crank.h"

#include "tests/support/frames.h"

#include <memory>

HeadlessCrank& PlayCrank(HeadlessEngine& engine, const char* deviceName, int serial,
                         double openSeconds) {
    HeadlessDevice& device = engine.Device(deviceName);
    device.openSeconds = openSeconds;
    auto crank = std::make_shared<HeadlessCrank>();
    crank->serial = serial;
    std::size_t heard = 0;
    bool identity = false;
    bool rest = true;
    device.feed = [crank, heard, identity, rest](HeadlessDevice& port) mutable {
        for (; heard < port.sent.size(); ++heard) {
            if (port.sent[heard] == ':') identity = true;
            if (port.sent[heard] == ';') identity = false;
        }
        if (!port.input.empty() || crank->framesLeft == 0) return;
        rest = !rest;
        if (rest) return;
        const std::vector<unsigned char> frame =
            identity && crank->sendsIdentity ? MakeIdentityFrame(crank->serial, crank->version)
                                             : MakeFrame({});
        port.input.insert(port.input.end(), frame.begin(), frame.end());
        crank->framesSent += 1;
        if (crank->framesLeft > 0) crank->framesLeft -= 1;
    };
    return *crank;
}
