#pragma once

#include <string>
#include <vector>

namespace corvale {

// The command-line side: `corvale mute`, `snooze`, `focus`, `settings`... reach the running
// Corvale over the session bus (or, for `focus`, the preferences) and end; they never take the
// instance lock, migrate folders or touch the log. Returns the process's exit status.
int runCommand(const std::vector<std::string>& words);

// Another Corvale holds the session: it is asked to open its settings window.
int openRunningInstance();

// The Focus filter's lines in the system log (the journal).
void focusSystemLog(const std::string& message);

} // namespace corvale
