#pragma once
// What the window program needs before its window: the application's look
// and the connection values a person may give it.
#include <string>

#include "download/download.h"

class QApplication;

// The same style everywhere, so the window looks alike on every desktop.
void setupApplication(QApplication& app);

// The channel database server to use in place of the built-in one: the
// VELARTIS_DB_* variables (download/connEnv.h), then the [velartis] group
// of the MariaDB option files, then the built-in values; the window's own
// saved settings (ui/dbSettings.h) take the option files' place. False with
// a reason when a value is not usable.
bool dbConnFromEnv(T_dbConnOverride* conn, std::string* error);
