#pragma once
// Orbital positions as text: tenths of a degree east, 0 to 3599, west as
// 3600 - x. Satellite names often carry their position already ("Astra
// 19.2E"); the lists append it only where it is not there.
#include <cstddef>
#include <string>
#include <string_view>

// "19.2E", "0.8W", "13E": tenths east, west as 3600 - x. False when it is
// not a position of 0 to 180 degrees.
bool parsePosition(std::string_view s, int* position);
// The location text of a position, as the bundled data writes it ("19.2E").
std::string locationText(int position);
// The length of a name without a trailing location of this position:
// " 13.0E", or with a degree sign (" 13.0\xB0E", " 5\xB0W") whose byte is
// Latin-1 or UTF-8. The whole length when the name does not end in one.
size_t nameWithoutLocation(std::string_view name, int position);
// True when the name already ends in its satellite's location, so a list
// that shows name and location would repeat it ("Astra 19.2E 19.2E").
inline bool endsWithLocation(std::string_view name, int position) {
    return !name.empty() && nameWithoutLocation(name, position) < name.size();
}
