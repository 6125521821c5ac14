#pragma once
// The window's own channel database settings, kept per user with QSettings;
// the password is in the secret store (ui/secretStore.h), never here.
// Precedence, as in the command-line tool: the VELARTIS_DB_* variables,
// then these settings (or, while none are saved, the [velartis] group of
// the option files), then the built-in values.
#include <QSettings>
#include <string>

#include "download/connection.h"

struct T_dbSettings {
    // A host name or address, or a local socket's path (it starts with '/').
    std::string server;
    unsigned port = 0;  // 0: the default port
    std::string user, name;
    DbCompress compress = DbCompress::kAuto;
    // A password was entered and belongs in the secret store.
    bool passwordKept = false;
};

// The window's per-user settings file (this computer's choices, not the
// configuration file's).
QSettings userSettings();

// The key of the password in the secret store.
constexpr const char* kDbPasswordKey = "channel-database";

// False, with *s untouched, when none are saved.
bool loadDbSettings(T_dbSettings* s);
void saveDbSettings(const T_dbSettings& s);

// The connection the jobs use. given: what the environment set (it wins);
// saved: null when none are saved; password: the saved settings' password
// (from the store, or asked), used only when passwordKept.
T_dbConnOverride dbConnection(const T_dbConnOverride& given, const T_dbSettings* saved,
                              const std::string& password);

// The variable that set a field of given, or null. Fields: the server,
// port, user, password and name.
enum class DbField { kServer, kPort, kUser, kPassword, kName };
const char* dbFieldVariable(const T_dbConnOverride& given, DbField f);

// The password must come from the secret store: saved settings keep one
// and no variable gives it.
bool dbPasswordFromStore(const T_dbConnOverride& given, const T_dbSettings* saved);
