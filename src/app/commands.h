// The console program's sub-commands. Each takes the arguments after its own
// name (argv[0] is the sub-command's name) and returns the exit status.
#pragma once
#include <cstdio>

#include "engine/update_run.h"
#include "platform/files.h"

namespace relvo::app {

// relvo check-media: reads the media through fs; the report goes to out,
// usage errors and failures to err.
int RunCheckMediaCommand(int argc, char** argv, FileSystem& fs = native_file_system(), std::FILE* out = stdout,
                         std::FILE* err = stderr);
// relvo lzh l|t|e|x: listings and member lines to out, failures to err.
int RunLzhCommand(int argc, char** argv, std::FILE* out = stdout, std::FILE* err = stderr);
// relvo update
int RunUpdateCommand(int argc, char** argv);

// The exit status of relvo update for the way a run ended.
int ExitCodeOf(UpdateOutcome how);

// Ends the program's output: flushes out and checks that everything written
// to it reached its file (a full disk, a closed pipe). Returns status, or 1
// with a message on err when the output was lost and status was 0.
int FinishOutput(std::FILE* out, std::FILE* err, int status);

}  // namespace relvo::app
