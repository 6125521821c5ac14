#pragma once
// The receiver's CRC-16/ARC.
#include <string_view>

#include "writers/common/crc16.h"

// Bit by bit, without the table the writers fill.
inline uint16_t readbackCrc16(std::string_view bytes) {
    return crcSlow16(bytes.data(), bytes.size());
}
