#pragma once
// Enigma1 and Enigma2 channel lists: plain text files with LF line ends,
// built in memory from the channel database. Every builder is a pure
// function of its WriterInput so tests can call it directly.
#include <functional>
#include <string>
#include <vector>

#include "writers/frame/writerFrame.h"

enum class EnigmaDialect { E1, E2 };

// Numbers of the user bouquet files and of the favourite markers; one set
// for a whole job, favourites first, bouquets after.
struct UserBouquetCounters {
    int tv = 0;
    int radio = 0;
    int marker = 0;
};

using OutFileSink = std::function<bool(OutFile&&)>;

// Service list: "lamedb" (Enigma2) or "services" (Enigma1).
std::string buildServiceList(const WriterInput& in, EnigmaDialect d);
// Enigma2's one-line service list "lamedb5": the transponders and services
// of lamedb, field for field, for receivers that read it first.
std::string buildLamedb5(const WriterInput& in);
// Parental list: "blacklist" (Enigma2) or "services.locked" (Enigma1).
std::string buildParentalList(const WriterInput& in, EnigmaDialect d);
std::string buildSatellitesXml(const WriterInput& in);

// One user bouquet file per favourite group and type, handed to emit as
// soon as it is complete; false when emit refused a file.
bool buildFavouriteBouquets(const WriterInput& in, EnigmaDialect d, UserBouquetCounters* c,
                            const OutFileSink& emit);
// One user bouquet file per run of channels of one bouquet on one satellite.
bool buildBouquetBouquets(const WriterInput& in, EnigmaDialect d, UserBouquetCounters* c,
                          const OutFileSink& emit);
// Index of the numbered user bouquets: "bouquets.tv"/"bouquets.radio"
// (Enigma2) or "userbouquets.tv.epl"/"userbouquets.radio.epl" (Enigma1).
std::string buildBouquetIndex(EnigmaDialect d, bool tv, int count);
// Enigma1 "bouquets": every bouquet with its channels.
std::string buildE1Bouquets(const WriterInput& in);

// The whole list in writing order, with the progress milestones.
BuildResult buildE2(const WriterInput& in, const OutFileSink& emit,
                    const std::function<void(int)>& milestone);
BuildResult buildE1(const WriterInput& in, const OutFileSink& emit,
                    const std::function<void(int)>& milestone);

FolderFormat enigma2Format();
FolderFormat enigma1Format();

// Above this many channels (TV, markers and radio) Enigma1 warns.
constexpr unsigned kE1ChannelWarning = 10000;
// The dated folders the two formats write (datedFolderName).
inline constexpr char kE1FolderPrefix[] = "DalmeroListE1";
inline constexpr char kE2FolderPrefix[] = "DalmeroListE2";

// The writer jobs, as the family table names them.
uint32_t WriteE2(void* param);
uint32_t WriteE1(void* param);
