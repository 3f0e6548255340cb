#include "corvane/command_line.h"

int main(int argc, char** argv) { return corvane::cli::RunCommandLine(argc, argv); }
