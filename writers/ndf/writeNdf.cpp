#include <cstring>

#include "writers/ndf/ndf.h"

SingleFileFormat ndfFormat() {
    SingleFileFormat fmt;
    fmt.defaultNameFmt = "DMlistNDF-%04d%02d%02d.ndf";
    fmt.filterPattern = "*.ndf";
    fmt.defExt = "ndf";
    fmt.build = [](const WriterInput& in, std::string* image) { return buildNdfImage(in, image); };
    return fmt;
}

uint32_t WriteNDF(void* param) {
    auto* p = static_cast<T_jobRequest*>(param);
    SingleFileFormat fmt = ndfFormat();
    // Records left out are named once, before the user picks the file.
    fmt.build = [p](const WriterInput& in, std::string* image) {
        std::vector<std::string> skipped;
        BuildResult r = buildNdfImage(in, image, &skipped);
        if (r.ok) warnRecords(p, ndfSkippedHeading(skipped.size()), skipped);
        return r;
    };
    return runSingleFileJob(p, fmt);
}
