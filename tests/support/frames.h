#pragma once
// Crank frames for the tests, laid out as they go on the wire, words as given (0xFF included).

#include <vector>

// A frame's words, with the values of a crank at rest unless a test says otherwise.
struct FrameWords {
    int rightForce = 1000;
    int rightAux = 1000;
    int leftForce = 1000;
    int leftAux = 1000;
    int spare = 0;
    int crankWord = 0;
    int wheelWord = 0;
    int heartRateWord = 0;
    int battery = 150;
};

std::vector<unsigned char> MakeFrame(const FrameWords& words);
std::vector<unsigned char> MakeIdentityFrame(int serial, int version);
void Append(std::vector<unsigned char>& stream, const std::vector<unsigned char>& bytes);
