#pragma once
// Neutrino's channel files, the zapit layout (api 4), UTF-8 XML:
//   services.xml   satellites, their transponders and the services on each;
//   ubouquets.xml  the list's groups in its order, each entry naming its
//                  service by its ids;
//   bouquets.xml   no bouquets: the receiver sorts the bouquets of this file
//                  and their channels by name, which would undo the list's
//                  order, and an old scan's bouquets must not stay beside it.
#include <functional>
#include <string>

#include "writers/frame/writerFrame.h"

// The three files in writing order. Markers are no services; a channel the
// list holds again is one service, and an entry of every group it is in.
BuildResult buildNeutrino(const WriterInput& in, const std::function<bool(OutFile&&)>& emit,
                          const std::function<void(int)>& milestone);

FolderFormat neutrinoFormat();
inline constexpr char kNeutrinoFolderPrefix[] = "DalmeroListNeutrino";

// The writer job, as the family table names it.
uint32_t WriteNeutrino(void* param);
