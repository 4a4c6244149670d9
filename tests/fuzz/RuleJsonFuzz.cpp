// One rule object from arbitrary JSON: decoding never fails other than with DecodeError, and a
// rule that decodes survives encoding, writing out, reading back and decoding unchanged.

#include "FuzzSupport.h"

#include "core/Rule.h"

#include <nlohmann/json.hpp>

using namespace corvale;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto object = nlohmann::json::parse(fuzz::text(data, size), nullptr, false);
    if (object.is_discarded()) {
        return 0;
    }
    Rule rule;
    try {
        rule = ruleFromJson(object);
    } catch (const DecodeError&) {
        return 0;
    }
    const auto written = toJson(rule).dump(2, ' ', false, nlohmann::json::error_handler_t::strict);
    auto reread = nlohmann::json::parse(written, nullptr, false);
    fuzz::expect(!reread.is_discarded(), "an encoded rule is JSON");
    Rule again;
    try {
        again = ruleFromJson(reread);
    } catch (const DecodeError&) {
        fuzz::expect(false, "an encoded rule decodes");
    }
    fuzz::expect(again == rule, "a rule round-trips through its file form");
    return 0;
}
