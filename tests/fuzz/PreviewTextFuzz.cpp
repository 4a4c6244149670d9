// Any title, subtitle and body as a history preview: valid UTF-8 on one line, and a short plain
// title shown as it is.

#include "FuzzSupport.h"

#include "history/PingRecord.h"

using namespace corvale;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto parts = fuzz::fields(fuzz::text(data, size), 3);
    const auto preview = PingRecord::previewText(parts[0], parts[1], parts[2]);
    if (!preview) {
        return 0;
    }
    fuzz::expect(!preview->empty(), "a preview is never empty");
    fuzz::expect(fuzz::isValidUtf8(*preview), "a preview is valid UTF-8");
    fuzz::expect(preview->find_first_of("\r\n") == std::string::npos, "a preview is one line");
    // A short plain title needs neither cleaning nor cutting.
    const auto title = parts[0];
    const bool plain =
        !title.empty() && title.size() <= PingRecord::previewLimit &&
        title.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                "0123456789") == std::string_view::npos;
    fuzz::expect(!plain || *preview == title, "a short plain title is its own preview");
    return 0;
}
