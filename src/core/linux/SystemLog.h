#pragma once

#include <string>

namespace corvale {

// Writes one message to the system log (the journal), tagged with a subsystem and a category;
// to standard error where there is no journal.
void systemLog(const std::string& subsystem, const std::string& category,
               const std::string& message);

// A line the user must see even without the debug log (a data file was moved aside): written to
// standard error and, as a warning, to the journal. Controls in it are escaped as in the log.
void userNotice(const std::string& message);

} // namespace corvale
