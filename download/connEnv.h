#pragma once
// Connection values from the environment, for every front end:
// VELARTIS_DB_HOST, VELARTIS_DB_PORT, VELARTIS_DB_USER, VELARTIS_DB_PASSWORD,
// VELARTIS_DB_NAME and VELARTIS_DB_SOCKET. A password given this way never
// stands on a command line, where every user of the machine can read it.
#include <string>

#include "download/connection.h"

// Fills each value of *o that is not set yet from its variable. An empty
// variable sets nothing, except VELARTIS_DB_PASSWORD, which sets an empty
// password. False, with *err naming the variable, when VELARTIS_DB_PORT is
// not a port number (1 to 65535); *o is then unchanged.
bool dbConnFromEnvironment(T_dbConnOverride* o, std::string* err);

// The group of MariaDB option files (~/.my.cnf) that holds Velartis's values.
constexpr const char* kDbOptionGroup = "velartis";
