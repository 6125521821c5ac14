#pragma once
// The receiver's CRC-16/ARC, from wherever the writers keep it: this
// include is the one line to change when it moves.
#include <string_view>

#include "writers/jst/crc16.h"

// Bit by bit, without the table the writers fill.
inline uint16_t readbackCrc16(std::string_view bytes) { return crcSlow16(bytes.data(), bytes.size()); }
