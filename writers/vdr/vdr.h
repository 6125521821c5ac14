#pragma once
// VDR's channels.conf: UTF-8 text, one channel a line,
//   name:frequency:parameters:source:srate:vpid:apids:tpid:caids:sid:nid:tid:rid
// with a group line ":name" before each bouquet or (virtual) satellite.
#include <string>

#include "writers/frame/writerFrame.h"

// Builds the whole file. Markers are no channels; a channel the list holds
// again (same source and ids, as VDR tells channels apart) is written once,
// in its first group.
BuildResult buildVdrImage(const WriterInput& in, std::string* image);

// A channel name as a channels.conf name field: ':' becomes '|' and the
// separators of short name and provider (',' ';') become '.'.
std::string vdrName(std::string_view name);

// The writer job, as the family table names it, and its list file.
uint32_t WriteVDR(void* param);
SingleFileFormat vdrFormat();
