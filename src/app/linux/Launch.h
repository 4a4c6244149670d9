#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace corvale {

// Runs Corvale in the desktop session until SIGINT or SIGTERM (SIGHUP reloads the rules): reads
// the debug-log switch, makes sure only one Corvale runs in the session (a second launch asks the
// running one to open its settings window), moves an earlier release's data, and runs the Qt
// event loop over a DesktopSession. Returns the process's exit status.
int runDesktop(int argc, char** argv);

// Where the built-in sounds are looked for: the desktop's, the user's, then our own tones.
std::vector<std::filesystem::path> builtinSoundFolders();

// Draws every view from sample data into PNG files in `folder`, off screen.
int runRender(int argc, char** argv, const std::string& folder);

} // namespace corvale
