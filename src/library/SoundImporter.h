#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace corvale {

// Copies a chosen sound file into the library's own folder, so a rule keeps working when the user
// moves or deletes the original.
class SoundImporter {
public:
    struct Result {
        std::optional<std::filesystem::path> file; // the copy; none on failure
        std::string error;                         // why it failed, for the log and the alert
    };

    // Copies source into folder as uniqueName plus the source's extension, kept exactly as it was
    // (none when the source has none); a file already at that name is replaced. The source is
    // never changed.
    static Result importSound(const std::filesystem::path& source,
                              const std::filesystem::path& folder, const std::string& uniqueName);

    // What the file system says about a file that did not open as audio, so the user hears that
    // rather than the decoder's words: gone, not readable by us, empty, or none of these.
    enum class FileTrouble { none, missing, unreadable, empty };
    static FileTrouble troubleReading(const std::filesystem::path& file);

    // The extension without its dot, case kept; empty when the name has none.
    static std::string extensionOf(const std::filesystem::path& file);
    // The file's name without its extension: the name a library entry gets.
    static std::string nameWithoutExtension(const std::filesystem::path& file);
};

} // namespace corvale
