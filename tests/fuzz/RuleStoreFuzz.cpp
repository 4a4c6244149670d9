#include "StoreFuzz.h"

#include "store/RuleStore.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return corvale::fuzz::fuzzStoreFile<corvale::RuleStore>(
        data, size, "rules.json", [](const corvale::RuleStore& store) {
            corvale::fuzz::expect(!store.rules().empty(), "a loaded rule list is never empty");
            return store.rules();
        });
}
