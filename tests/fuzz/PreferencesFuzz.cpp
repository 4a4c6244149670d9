// Any bytes as the preferences file. Reading never crashes; a file that does not parse is moved
// aside byte for byte; a change to one key keeps every other value the file held.

#include "FuzzSupport.h"

#include "core/linux/JsonFilePreferences.h"

#include <nlohmann/json.hpp>

using namespace corvale;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const auto& entry : std::filesystem::directory_iterator(fuzz::scratchFolder())) {
        std::filesystem::remove_all(entry.path());
    }
    const auto file = fuzz::scratchFolder() / "preferences.json";
    const auto backup = fuzz::scratchFolder() / "preferences.corrupt.json";
    const auto input = fuzz::text(data, size);
    fuzz::writeBytes(file, input);

    JsonFilePreferences prefs(file, nullptr);
    (void)prefs.value("soundsMuted");
    const auto parsed = nlohmann::json::parse(input, nullptr, false);
    if (!parsed.is_object()) {
        fuzz::expect(!std::filesystem::exists(file), "an unreadable file does not stay in use");
        fuzz::expect(fuzz::readBytes(backup) == input, "an unreadable file is kept as it was");
        return 0;
    }
    fuzz::expect(fuzz::readBytes(file) == input, "reading does not rewrite the file");

    // A key of our own, distinct from any the file can hold, so the others can be compared.
    const std::string key = "fuzz.key";
    std::map<std::string, std::optional<PrefValue>> before;
    for (const auto& [name, value] : parsed.items()) {
        if (name != key) {
            before[name] = prefs.value(name);
        }
    }
    prefs.set(key, PrefValue(std::int64_t{42}));
    fuzz::expect(prefs.integerValue(key) == 42, "a value set reads back");

    JsonFilePreferences reread(file, nullptr);
    fuzz::expect(reread.integerValue(key) == 42, "a value set is on disk");
    for (const auto& [name, value] : before) {
        fuzz::expect(reread.value(name) == value, "a change to one key keeps the others");
    }
    return 0;
}
