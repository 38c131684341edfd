// The console program's sub-commands. Each takes the arguments after its own
// name (argv[0] is the sub-command's name) and returns the exit status.
#pragma once

namespace relvo::app {

int RunCheckMediaCommand(int argc, char** argv);  // relvo check-media
int RunLzhCommand(int argc, char** argv);         // relvo lzh l|t|e|x
int RunUpdateCommand(int argc, char** argv);      // relvo update

}  // namespace relvo::app
