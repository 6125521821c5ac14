#include "writers/vdr/vdr.h"

SingleFileFormat vdrFormat() {
    SingleFileFormat fmt;
    fmt.defaultNameFmt = "DMlistVDR-%04d%02d%02d.conf";
    fmt.filterPattern = "*.conf";
    fmt.defExt = "conf";
    fmt.utf8Names = true;
    fmt.build = [](const WriterInput& in, std::string* image) { return buildVdrImage(in, image); };
    return fmt;
}

uint32_t WriteVDR(void* param) {
    return runSingleFileJob(static_cast<T_jobRequest*>(param), vdrFormat());
}
