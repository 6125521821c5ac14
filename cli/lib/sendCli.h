#pragma once
// velartis-cli send FOLDER --box HOST: the send subcommand (argv[0] is
// "send"), and the same options for "velartis-cli --format e2 --send HOST".
#include <string>

#include "send/boxSend.h"

namespace CLI {
class App;
}
class ConsoleEvents;

// The box's options besides its address, shared by both commands.
struct BoxCliOptions {
    BoxAddress box;
    SendOptions send;
    std::string passwordFile, family = "auto", shadow = "stop";
    bool noReload = false;
};
void addBoxOptions(CLI::App& app, BoxCliOptions& o, const char* prefix);
// Once parsed: the password (file or VELARTIS_BOX_PASSWORD), the choices and
// the backup's time. False, with the reason, for a usage error.
bool finishBoxOptions(BoxCliOptions& o, std::string* err);

// Sends one list folder as a job of ui (its steps and progress on the
// terminal line), then prints the result in the language of MsgLang;
// *json gets the result as a JSON object for the run's report.
int sendFolder(const std::string& folder, BoxCliOptions& o, ConsoleEvents& ui, std::string* json);

int runSendCli(int argc, char** argv);
