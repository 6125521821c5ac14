#pragma once
// The connection options of velartis-cli and of its import command.
#include <string>

#include "download/connection.h"

namespace CLI {
class App;
}

struct CliDbOptions {
    T_dbConnOverride conn;
    std::string defaultsFile;
    std::string compress = "auto";
};

// Adds --db-host, --db-port, --db-user, --db-password, --db-name,
// --db-socket, --defaults-file and --db-compress, stored into o.
void addDbOptions(CLI::App& app, CliDbOptions& o);

// Once app has parsed: completes o.conn with the environment and the option
// files. False, with the reason in *err, for a wrong value (a usage error).
bool finishDbOptions(const CLI::App& app, CliDbOptions& o, std::string* err);

// True, with the reason in *err, when an option took one of the app's own
// options as its value ("--output --quiet", the folder forgotten): a folder
// or a report file would otherwise be named after the option.
bool optionTakenAsValue(const CLI::App& app, std::string* err);

// Bad usage: the exit code of a command line the tool cannot take.
constexpr int kExitUsage = 64;

// Tells a usage error: prog, the reason on one line, then a line that
// points to the help. Returns kExitUsage.
int usageError(const char* prog, const std::string& reason);

// Parses the command line of the tool or its import command (prog names it
// in messages). -1 when the caller goes on; else the exit code: 0 after
// the help or the version, kExitUsage after telling why the line is wrong
// (a password on it masked).
int parseCommandLine(CLI::App& app, int argc, char** argv, const char* prog);

// text with whatever follows an option that looks like the password option
// masked: a parse error may quote the words it could not take, a password
// among them ("--db-pasword secret").
std::string withoutPasswords(std::string text, int argc, char** argv);
