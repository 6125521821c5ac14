#pragma once
// CRC-16/ARC (poly 0x8005, init 0, reflected in and out, no final XOR),
// used by the ECDF writer to protect its file body.
#include <cstddef>
#include <cstdint>

// value with its low n bits in reverse order; higher bits are dropped.
uint32_t reflect16(uint32_t value, uint8_t n);

// By a table built at compile time, so concurrent writers share nothing
// that is written.
uint16_t crcFast16(const void* data, size_t length);
uint16_t crcSlow16(const void* data, size_t length);
