#pragma once
// The NDF channel list: one binary file with a header, 64 dish set-ups,
// 64 satellite entries, the transponders, the channels, the favourite
// groups, "END" and a check byte.
#include <cstddef>
#include <string>
#include <vector>

#include "writers/frame/writerFrame.h"

// The receiver's own limits.
constexpr size_t kNdfImageSize = 2097152;  // largest file, check byte included
constexpr unsigned kNdfSatSlots = 64;      // dish records and satellite entries
constexpr unsigned kNdfMaxFakeSat = 60;    // virtual satellites (61 and more are refused)
constexpr unsigned kNdfFavSlots = 16;      // favourite groups

// Builds the exact file image. Satellite, favourite-group and size limits,
// dish values without a defined code and broken tables refuse the whole
// list (nothing is built). A transponder, channel or favourite link whose
// values do not fit the format, or whose satellite, transponder or channel
// is not in the list, is left out; each one left out adds a line naming it
// to *skipped (when given), and the indexes of the records after it follow.
BuildResult buildNdfImage(const WriterInput& in, std::string* image,
                          std::vector<std::string>* skipped);
BuildResult buildNdfImage(const WriterInput& in, std::string* image);

// What the job shows when records were left out: at most maxLines of them,
// then how many more.
std::string ndfSkippedHeading(size_t count);

// The NDF file of the single-file frame.

// The writer job, as the family table names it, and its list file (name,
// save dialog filter, extension).
uint32_t WriteNDF(void* param);
SingleFileFormat ndfFormat();
