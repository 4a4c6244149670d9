// Any banner description as the posting app's name: never longer than the description, never with
// surrounding blanks or a comma.

#include "FuzzSupport.h"

#include "detect/BannerReading.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto description = corvale::fuzz::text(data, size);
    const auto app = corvale::sourceAppFromDescription(description);
    corvale::fuzz::expect(app.size() <= description.size(), "the name is part of the description");
    corvale::fuzz::expect(description.find(app) != std::string_view::npos,
                          "the name is taken from the description");
    corvale::fuzz::expect(app.find(',') == std::string::npos, "the name is one comma piece");
    if (!app.empty()) {
        for (char edge : {app.front(), app.back()}) {
            corvale::fuzz::expect(edge != ' ' && edge != '\t', "the name is trimmed");
        }
    }
    return 0;
}
