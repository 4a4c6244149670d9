#include "StoreFuzz.h"

#include "history/PingLogStore.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return corvale::fuzz::fuzzStoreFile<corvale::PingLogStore>(
        data, size, "pingHistory.json", [](const corvale::PingLogStore& store) {
            corvale::fuzz::expect(store.records().size() <= corvale::PingLogStore::maxRetained,
                                  "the history stays within its limit");
            return store.records();
        });
}
