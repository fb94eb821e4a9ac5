// What varnox-tool says on stderr. File names and values come from outside
// and may hold control bytes that would move the cursor, clear the screen or
// ring the bell: they are shown as \xNN, as the settings warnings show them.
#pragma once

#include <string>
#include <string_view>

#include "core/Printable.h"

namespace varnox::tool {

// The text with control bytes (C0, DEL and C1) and bytes that are not
// UTF-8 written as \xNN; other UTF-8 stays readable.
inline std::string ForTerminal(std::string_view text) { return Printable(text, WholeText); }

// The text on a line of its own on stderr.
void Complain(std::string_view text);

// Where to find the machine's files when the current folder lacks them:
// the folder the window keeps them in (`dataFolder`, as UserDataFolder
// finds it; said when known) and how to write a kit of them.
std::string WhereMachineFilesAre(std::string_view command, const std::string& dataFolder);
// The same with the data folder of this process's environment.
std::string WhereMachineFilesAre(std::string_view command);

}  // namespace varnox::tool
