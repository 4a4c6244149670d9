#include "library/SoundImporter.h"

#include "core/RegularFile.h"

#include <cerrno>
#include <system_error>
#include <unistd.h>

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
    // This runs on the main thread, where a named pipe waiting for a writer would freeze the
    // window: anything but a regular file is no file a sound can be read from.
    const auto opened = openRegularFile(file);
    if (!opened) {
        return !opened.notRegular && (opened.error == ENOENT || opened.error == ENOTDIR)
                   ? FileTrouble::missing
                   : FileTrouble::unreadable;
    }
    ::close(opened.fd);
    return opened.size == 0 ? FileTrouble::empty : FileTrouble::none;
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
