#pragma once

#include "core/Log.h"
#include "core/Preferences.h"

#include <filesystem>
#include <map>
#include <sys/stat.h>

namespace corvale {

// Preferences in one flat JSON object on disk, shared with the command line: a write takes a lock
// on a separate lock file, re-reads, changes one key and renames a temporary file over the target;
// a read re-reads when another process replaced the file. A file that does not parse is moved aside
// to "preferences.corrupt.json" (an older backup kept under a dated name) and the defaults apply;
// it is never silently overwritten.
class JsonFilePreferences : public Preferences {
public:
    // `notice` gets the line the user must see when the file is moved aside.
    JsonFilePreferences(std::filesystem::path file, LogFn log, LogFn notice = {});

    static std::filesystem::path defaultFile(const std::filesystem::path& configFolder);

    std::optional<PrefValue> value(const std::string& key) override;
    void set(const std::string& key, const PrefValue& value) override;
    void remove(const std::string& key) override;

private:
    void refreshIfChanged();
    std::map<std::string, PrefValue> readFile();
    void change(const std::string& key, const std::optional<PrefValue>& value);
    void keepInMemory(const std::string& key, const std::optional<PrefValue>& value);

    std::filesystem::path file_;
    std::filesystem::path lockFile_;
    LogFn log_;
    LogFn notice_;
    std::map<std::string, PrefValue> values_;
    struct stat seen_ {};
    bool haveSeen_ = false;
};

} // namespace corvale
