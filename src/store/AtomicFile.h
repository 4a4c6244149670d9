#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace corvale {

// Writes the bytes to a temporary file in the target's folder and renames it over the target, so
// a reader (or a crash) sees either the old or the new content, never a mix. No fsync: a rename
// over the target is safe against a killed process and these writes sit on the alert path.
bool writeFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         std::string& error);

// Reads a whole file; false with a description when it cannot be read.
bool readWholeFile(const std::filesystem::path& path, std::string& contents, std::string& error);

} // namespace corvale
