#pragma once
#include "config/cfgTypes.h"

// A parameter record pointing at the program-wide records (cfgFile stays
// null): the front end's record, from which the job launcher makes each
// job's own.
T_FnPARAM globalJobParam();
