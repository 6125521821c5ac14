#include "cli/lib/cliApp.h"

int main(int argc, char** argv) { return runCli(argc, argv); }
