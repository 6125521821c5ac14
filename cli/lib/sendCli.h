#pragma once
// velartis-cli send FOLDER --box HOST: the send subcommand (argv[0] is
// "send"). Exit status 0 sent (and reloaded), 1 failed (the box's state
// said), 64 wrong usage.
int runSendCli(int argc, char** argv);
