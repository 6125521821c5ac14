#pragma once
// Helpers the importers share: names into Windows-1252, orbital positions,
// conditional-access systems, audio languages and strict number fields.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "channels/hexId.h"
#include "channels/location.h"
#include "import/importModel.h"

// A source file's text: UTF-8 when all of it is well-formed UTF-8 (a byte
// order mark is dropped), Windows-1252 otherwise.
struct SourceText {
    std::string bytes;
    bool utf8 = false;
};
SourceText sourceText(std::string bytes);

// A name of the source as UTF-8 (a Windows-1252 source's bytes taken as
// their characters), cut to max characters. Control characters, malformed
// sequences and undefined bytes become '?' and are counted, as are cut
// names. With configSafe the '#' that separates
// the fields of the configuration files becomes '-' (bouquet, favourite and
// satellite names go into those files).
std::string importName(std::string_view raw, bool utf8, size_t max, ImportNotes* notes,
                       bool configSafe = false);

// Splits a text into lines at LF, dropping a CR before it.
std::vector<std::string_view> splitLines(std::string_view text);
std::string_view trim(std::string_view s);
std::vector<std::string_view> split(std::string_view s, char sep);

// Every reader holds a satellite's tuning values to the bounds the
// download holds the server's rows to (channels/hexId.h, import/README.md);
// PIDs to 13 bits; service ids from 1 (program 0 of a PAT names the network).
constexpr unsigned kMaxPid = 0x1FFF;

// Why a frequency in MHz or a symbol rate in kS/s lies outside those
// bounds, naming the source's field ("FREQUENCY 474000000"); empty when
// it is inside.
std::string frequencyFault(const std::string& field, uint64_t mhz);
std::string symbolRateFault(const std::string& field, uint64_t ksps);

// Whole-field numbers: digits only (hex digits with base 16), no sign, no
// blanks, at most max.
bool parseNumber(std::string_view s, uint64_t max, uint64_t* out, int base = 10);

// Conditional-access system code of the schema for a CA system id (0x0100
// and above); -1 for 0 to 0xFF, which name no system.
int casCode(unsigned caid);

// An ISO 639-2 code in lower case ("deu"), or empty when s is not three
// letters. A dual-channel pair ("deu+eng") gives its first code.
std::string languageCode(std::string_view s);
// The other form of a language with a bibliographic and a terminology code
// ("ger" and "deu"); empty when it has one code only.
std::string languageTwin(const std::string& code);
