#pragma once
// velartis-cli import SOURCE PATH...: the import subcommand (argv[0] is
// "import"). Exit status 0 done, 1 refused or failed, 64 wrong usage.
int runImportCli(int argc, char** argv);
