#pragma once
#include "config/cfgTypes.h"

// A job parameter record pointing at the program-wide records, as the job
// launcher fills it for every job (cfgFile stays null).
T_FnPARAM globalJobParam();
