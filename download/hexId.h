#pragma once
// Service ids, network ids, transport stream ids and PIDs arrive from the
// server as hexadecimal text and go into the lists as they are, so each is
// checked when its row is read. Pure and self-contained: no state, no
// allocation, nothing else of the project (a fuzz target links it alone).
#include <cstddef>

// Why an id cannot be used; kOk when it can.
enum class HexIdFault { kOk = 0, kNull, kEmpty, kNotHex, kTooLong };
constexpr int kHexIdFaults = 5;

// Widths the records and the writers allow, in digits: service id,
// network id and every PID (audio ones too) are 16-bit values of at most
// four digits; a transport stream id may have up to six.
constexpr size_t kSidDigits = 4;
constexpr size_t kNidDigits = 4;
constexpr size_t kTidDigits = 6;
constexpr size_t kPidDigits = 4;

// text: the column's bytes, null for SQL NULL; length: their number
// (a NUL among them is just a byte that is not a digit). Good when there
// are 1 to maxDigits bytes, each 0-9, A-F or a-f. Reads only
// text[0..length).
HexIdFault checkHexId(const char* text, size_t length, size_t maxDigits);
