#pragma once
// The AZbox channel list: a folder with all_channel.dat (name tables,
// channel reference tables and the chain of transponder and channel nodes),
// DVBS.dat (satellites and transponders) and antenna_list.dat (dish set-up
// per satellite slot). All integers little-endian.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "writers/frame/writerFrame.h"

// The receiver's own sizes and limits.
// The dated folder the format writes (datedFolderName).
inline constexpr char kAzFolderPrefix[] = "DalmeroListAZbox";
constexpr size_t kAzAllChannelMax = 4823449;    // largest all_channel.dat
constexpr size_t kAzAllChannelFixed = 1595992;  // tables before the node section
constexpr size_t kAzHeadSize = 304;             // head block of the node section
constexpr size_t kAzTpNodeSize = 528;
constexpr size_t kAzChNodeSize = 200;
constexpr size_t kAzDvbsMax = 524288;       // largest DVBS.dat
constexpr size_t kAzAntennaSize = 32804;    // antenna_list.dat, always
constexpr uint32_t kAzMaxChannels = 15000;  // channel records read from chDB
constexpr uint32_t kAzMaxTv = 10000;
constexpr uint32_t kAzMaxRadio = 5000;
constexpr uint32_t kAzFavGroups = 50;  // group records, B groups included
constexpr uint32_t kAzFavBlock = 200;  // channels per group record
constexpr uint32_t kAzMaxFakeSatellites = 240;
constexpr uint32_t kAzFirstAddress = 0x1027424C;     // start of the node addresses
constexpr uint32_t kAzOnlyChannelLink = 0x0012EEC8;  // link 1 of a transponder's only channel

// The reference lists that all_channel.dat names; WriterInput carries
// neither of them.
struct AzboxLists {
    const T_idxBou* bou;  // from index 0
    const T_idxCat* cat;  // from index 0
};

// Everything the three files refuse, before any dialog: the satellite limit,
// a dish set-up without a code in antenna_list.dat, a file larger than its
// buffer. Transponders and channels that the format cannot hold are not
// refused but left out; each adds a line to *skipped (when given).
BuildResult checkAzbox(const WriterInput& in, std::vector<std::string>* skipped = nullptr);

// The exact file images. Each refuses on its own what checkAzbox refuses for
// it, so that nothing is ever written past the receiver's buffer sizes.
BuildResult buildAzboxAllChannel(const WriterInput& in, const AzboxLists& lists, std::string* out);
BuildResult buildAzboxDvbs(const WriterInput& in, std::string* out);
BuildResult buildAzboxAntennaList(const WriterInput& in, std::string* out);

// What the job shows when records were left out: at most maxLines of them,
// then how many more.
std::string azboxSkippedHeading(size_t count);

// The folder-style format.
FolderFormat azboxFormat(const AzboxLists& lists);

// The writer job, as the family table names it.
uint32_t WriteAZbox(void* param);
