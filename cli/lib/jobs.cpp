// Placeholder until the download and writer jobs are in place.
#include "cli/lib/jobs.h"
JobFn downloadJobFor(int) { return nullptr; }
JobFn writerJobFor(int) { return nullptr; }
void applyDbOptions(const CliDbOptions&) {}
void printDropped(FILE*) {}
