#pragma once
// Service ids, network ids, transport stream ids and PIDs arrive from the
// server as hexadecimal text and go into the lists as they are, so each is
// checked when its row is read; so is every numeric column, which a server
// may hold as text ("1e4", "19.2") or out of any tunable range. Pure and
// self-contained: no state, no allocation, nothing else of the project.
#include <cstddef>
#include <cstdint>

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

// Why a numeric column cannot be used; kOk when it can.
enum class NumberFault { kOk = 0, kNull, kNotWhole, kOutside };
constexpr int kNumberFaults = 4;

// Good when the bytes are a whole decimal number, an optional '-' and
// digits, nothing else (no blanks, exponent or fraction), from lo to hi;
// *value gets it then. Reads only text[0..length).
NumberFault checkNumber(const char* text, size_t length, int32_t lo, int32_t hi, int32_t* value);

// The tuning values a list may carry, the same for the download and every
// importer: frequencies of the downlink bands receivers tune, from S and C
// band (2500 MHz) to Ka band (22000 MHz); symbol rates from the narrowest
// carrier a receiver locks to (1000 kS/s) to the most the 16-bit fields of
// the NDF, JST and ECDF lists hold; orbital positions in tenths of a
// degree east, 0 to 3599 (west as 3600 less its tenths).
constexpr int32_t kMinFrequencyMHz = 2500;
constexpr int32_t kMaxFrequencyMHz = 22000;
constexpr int32_t kMinSymbolRate = 1000;  // kS/s
constexpr int32_t kMaxSymbolRate = 65535;
constexpr int32_t kMaxPositionTenths = 3599;
