// The subcommands of varnox-tool. Each takes the arguments after its name
// and returns the process exit status: 0 done, 1 failed, 2 misused.
#pragma once

#include "Arguments.h"

namespace varnox::tool {

extern const CommandSpec RunSpec;
extern const CommandSpec LineSpec;
extern const CommandSpec DisSpec;
extern const CommandSpec ListSpec;
extern const CommandSpec AsmSpec;
extern const CommandSpec KitSpec;

int RunCommand(const Args& args);   // run the machine headless
int LineCommand(const Args& args);  // assemble one line
int DisCommand(const Args& args);   // disassemble one word
int ListCommand(const Args& args);  // list code from the working directory
int AsmCommand(const Args& args);   // assemble a source file into ROM images
int KitCommand(const Args& args);   // write the default kit into a folder

}  // namespace varnox::tool
