#pragma once

#include <string>

namespace corvale {

// Writes one message to the system log (the journal), tagged with a subsystem and a category;
// to standard error where there is no journal.
void systemLog(const std::string& subsystem, const std::string& category,
               const std::string& message);

} // namespace corvale
