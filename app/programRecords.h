#pragma once
// What both front ends start their jobs from: the program-wide records
// (configuration, language texts, channel tables) bundled for the launcher.
#include "jobs/jobLauncher.h"

// The program's channel tables.
T_channelTables programTables();

T_jobSource programJobSource(JobEvents* events, JobRunner* runner,
                             const T_dbConnOverride* conn = nullptr);
