#include "library/SoundImporter.h"

#include <fstream>
#include <system_error>

namespace corvale {

namespace fs = std::filesystem;

std::string SoundImporter::extensionOf(const fs::path& file) {
    // "Bell." has an empty extension, and a leading dot (".chime") starts a name, not an extension.
    const std::string extension = file.filename().extension().string();
    return extension.size() > 1 ? extension.substr(1) : std::string();
}

std::string SoundImporter::nameWithoutExtension(const fs::path& file) {
    const std::string name = file.filename().string();
    const std::string extension = extensionOf(file);
    return extension.empty() ? name : name.substr(0, name.size() - extension.size() - 1);
}

SoundImporter::FileTrouble SoundImporter::troubleReading(const fs::path& file) {
    std::error_code ec;
    if (!fs::exists(file, ec)) {
        return ec && ec != std::errc::no_such_file_or_directory ? FileTrouble::unreadable
                                                                : FileTrouble::missing;
    }
    // Opening a named pipe waits for a writer, and this runs on the main thread: only a regular
    // file is opened, anything else is no file a sound can be read from.
    if (!fs::is_regular_file(file, ec) || !std::ifstream(file, std::ios::binary)) {
        return FileTrouble::unreadable;
    }
    if (fs::file_size(file, ec) == 0 && !ec) {
        return FileTrouble::empty;
    }
    return FileTrouble::none;
}

SoundImporter::Result SoundImporter::importSound(const fs::path& source, const fs::path& folder,
                                                 const std::string& uniqueName) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        return {std::nullopt,
                "the folder \"" + folder.string() + "\" couldn't be created: " + ec.message()};
    }
    std::string targetName = uniqueName;
    if (const std::string extension = extensionOf(source); !extension.empty()) {
        targetName += "." + extension;
    }
    const fs::path target = folder / targetName;
    if (fs::exists(fs::symlink_status(target, ec))) {
        fs::remove(target, ec);
        if (ec) {
            return {std::nullopt,
                    "the old file \"" + targetName + "\" couldn't be removed: " + ec.message()};
        }
    }
    if (!fs::is_regular_file(source, ec)) {
        return {std::nullopt, "\"" + source.filename().string() + "\" is not a file" +
                                  (ec ? ": " + ec.message() : std::string())};
    }
    fs::copy_file(source, target, ec);
    if (ec) {
        // A copy that broke off must not leave half a sound behind under the library's name.
        std::error_code ignored;
        fs::remove(target, ignored);
        return {std::nullopt, "the file couldn't be copied: " + ec.message()};
    }
    return {target, {}};
}

} // namespace corvale
