#pragma once
// velartis-cli: one download and one generation, as the window would run
// them, answered from options instead of dialogs.
int runCli(int argc, char** argv);
