#include "StoreFuzz.h"

#include "detect/ObservedAppsStore.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return corvale::fuzz::fuzzStoreFile<corvale::ObservedAppsStore>(
        data, size, "observedApps.json", [](const corvale::ObservedAppsStore& store) {
            corvale::fuzz::expect(store.apps().size() <= corvale::ObservedAppsStore::maxApps,
                                  "the app list stays within its cap");
            return store.apps();
        });
}
