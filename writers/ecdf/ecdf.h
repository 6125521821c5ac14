#pragma once
// SB-5 and S2 HD settings file (ECDF): a 64-byte header that names the
// family, then a body of tagged sections closed by a CRC-16. Big-endian.
#include <string>
#include <vector>

#include "writers/frame/writerFrame.h"

constexpr int kEcdfFamilySB5 = 4;
constexpr int kEcdfFamilyS2HD = 5;
constexpr size_t kEcdfHeaderSize = 64;
constexpr size_t kEcdfBodyBufferSize = 524288;

// Builds header and body into *image. Refuses the list (ok false, the
// message to show) when a format limit is exceeded or a satellite's set-up
// has no code in its record. Transponders and channels with a code that has
// no byte, or whose satellite or transponder is missing, and favourite
// entries without their channel are left out; each gets one line in
// *skipped when it is given.
BuildResult buildEcdfImage(const WriterInput& in, int family, std::string* image,
                           std::vector<std::string>* skipped = nullptr);

// The writer job of both families, as the family table names it, and the
// list file of each.
uint32_t WriteSB5S2HD(void* param);
SingleFileFormat ecdfFileFormat(int fileType);
