#pragma once
// JST settings image for the Pvr-ST1 and Pvr-JS1 receivers: a fixed-size
// file of a header and five blocks, little-endian throughout.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "writers/frame/writerFrame.h"

namespace jst {

constexpr int kFamilyST1 = 6;  // fileType of Pvr-ST1
constexpr int kFamilyJS1 = 7;  // fileType of Pvr-JS1

constexpr size_t kImageSize = 336000;

constexpr size_t kHeaderSize = 128;
constexpr size_t kSatOffset = 128, kSatBlock = 8192;
constexpr size_t kTpOffset = 8320, kTpBlock = 65536;
constexpr size_t kTvOffset = 73856, kTvBlock = 196608;
constexpr size_t kRadioOffset = 270464, kRadioBlock = 61440;
constexpr size_t kFavOffset = 331904, kFavBlock = 4096;
constexpr size_t kFrameSize = 12;  // DB 81, count, byte count, six zeros

constexpr size_t kSatRecord = 44;
constexpr size_t kTpRecord = 16;
constexpr size_t kChRecord = 44;

constexpr uint32_t kMaxSatellites = 64;
constexpr uint32_t kMaxTransponders = 2040;
constexpr uint32_t kMaxTv = 4199;
constexpr uint32_t kMaxRadio = 719;
constexpr uint32_t kMaxFavGroups = 16;

}  // namespace jst

// Builds the whole image into *image (exactly jst::kImageSize bytes).
// family is jst::kFamilyST1 or jst::kFamilyJS1. A list that the format
// cannot hold is refused with the limit text or a reason naming the record.
// Fields that cannot be written but have an "absent" form (teletext, an
// audio track, a CAS flag) are written absent and described in *notes.
BuildResult buildJstImage(const WriterInput& in, int family, std::string* image,
                          std::vector<std::string>* notes = nullptr);

// The receiver's five count limits, in the order the job checks them
// (before it greys the window); the failure carries the limit text.
BuildResult checkJstLimits(const WriterInput& in);

// The writer job of both families, as the family table names it, and the
// list file of each.
uint32_t WriteST1JS1(void* param);
SingleFileFormat jstFileFormat(int fileType);
