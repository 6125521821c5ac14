#include <cstring>

#include "config/textFunc.h"
#include "writers/azbox/azbox.h"

FolderFormat azboxFormat(const AzboxLists& lists) {
    FolderFormat fmt;
    fmt.folderPrefix = kAzFolderPrefix;
    fmt.precheck = [](const WriterInput& in) { return checkAzbox(in); };
    fmt.build = [lists](const WriterInput& in, const std::function<bool(OutFile &&)>& emit,
                        const std::function<void(int)>& milestone) {
        // One image at a time: each buffer is gone before the next is built.
        milestone(0);
        std::string bytes;
        BuildResult r = buildAzboxAllChannel(in, lists, &bytes);
        if (!r.ok) return r;
        if (!emit(OutFile{"all_channel.dat", std::move(bytes)})) return r;
        bytes = std::string();
        r = buildAzboxDvbs(in, &bytes);
        if (!r.ok) return r;
        if (!emit(OutFile{"DVBS.dat", std::move(bytes)})) return r;
        milestone(100);
        bytes = std::string();
        r = buildAzboxAntennaList(in, &bytes);
        if (!r.ok) return r;
        emit(OutFile{"antenna_list.dat", std::move(bytes)});
        return r;
    };
    fmt.lastMilestone = 100;
    return fmt;
}

uint32_t WriteAZbox(void* param) {
    auto* p = static_cast<T_jobRequest*>(param);
    FolderFormat fmt = azboxFormat(AzboxLists{&p->bou, &p->cat});
    // Records left out are named once, before the user picks the folder.
    fmt.precheck = [p](const WriterInput& in) {
        std::vector<std::string> skipped;
        BuildResult r = checkAzbox(in, &skipped);
        if (r.ok) warnRecords(p, azboxSkippedHeading(skipped.size()), skipped);
        return r;
    };
    return runFolderJob(p, fmt);
}
