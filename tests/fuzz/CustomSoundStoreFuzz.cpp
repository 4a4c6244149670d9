#include "StoreFuzz.h"

#include "library/CustomSoundStore.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return corvale::fuzz::fuzzStoreFile<corvale::CustomSoundStore>(
        data, size, "customSounds.json",
        [](const corvale::CustomSoundStore& store) { return store.sounds(); });
}
