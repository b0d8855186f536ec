#pragma once
// Crank frames for the tests: 18 bytes, 0xFF first, 16-bit words low byte first.

#include <vector>

struct FrameWords {
    int rightForce = 1000;
    int rightAux = 1000;
    int leftForce = 1000;
    int leftAux = 1000;
    int spare = 0;
    int crank = 0;
    int wheel = 0;
    int heartRate = 0;
    int battery = 150;
};

std::vector<unsigned char> MakeFrame(const FrameWords& words);
// The identity frame of a crank: channel words twice the ASCII codes of the serial number's
// digits and the version digit.
std::vector<unsigned char> MakeIdentityFrame(int serial, int version);
void Append(std::vector<unsigned char>& stream, const std::vector<unsigned char>& bytes);
