// The subcommands of varnox-tool. Each takes the arguments after its name
// and returns the process exit status.
#pragma once

#include <string>
#include <vector>

namespace varnox::tool {

using Args = std::vector<std::string>;

int RunCommand(const Args& args);   // run the machine headless
int LineCommand(const Args& args);  // assemble one line
int DisCommand(const Args& args);   // disassemble one word
int ListCommand(const Args& args);  // list code from the working directory
int AsmCommand(const Args& args);   // assemble a source file into ROM images

}  // namespace varnox::tool
