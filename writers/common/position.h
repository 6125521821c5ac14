#pragma once
// Orbital positions are stored in tenths of a degree east, 0 to 3599. The
// formats that want west positions negative differ in where west begins:
// the Enigma lists keep 0 to 1799 and turn 1800 into -1800, AZbox and JST
// keep 1800 as it is.
#include <cstdint>

constexpr int32_t kEnigmaLastEast = 1799;
constexpr int32_t kAzboxLastEast = 1800;
constexpr int32_t kJstLastEast = 1800;
constexpr int32_t kNeutrinoLastEast = 1799;

// position when it is at most lastEast, otherwise position - 3600.
constexpr int32_t signedPosition(int32_t position, int32_t lastEast) {
    return position <= lastEast ? position : position - 3600;
}

// A position of any value brought into 0 to 3599, as a full turn repeats.
constexpr int32_t wrappedPosition(int32_t position) {
    return (position % 3600 + 3600) % 3600;
}
