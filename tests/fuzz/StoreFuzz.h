#pragma once

#include "FuzzSupport.h"

#include <filesystem>

// Any bytes as a store's data file. The load never crashes; a file it cannot read is moved aside
// byte for byte and the store starts empty; a file it can read is written back and read again with
// every entry unchanged.
namespace corvale::fuzz {

template <class Store, class Entries>
int fuzzStoreFile(const std::uint8_t* data, std::size_t size, const char* fileName,
                  Entries entries) {
    // Each input starts from a folder holding nothing but its file.
    for (const auto& entry : std::filesystem::directory_iterator(scratchFolder())) {
        std::filesystem::remove_all(entry.path());
    }
    const auto file = scratchFolder() / fileName;
    const auto input = text(data, size);
    writeBytes(file, input);

    Store store(file, nullptr);
    store.load();
    if (!std::filesystem::exists(file)) {
        // Whatever the backup is called, it is the only other file and holds the input.
        bool kept = false;
        for (const auto& entry : std::filesystem::directory_iterator(scratchFolder())) {
            kept = kept || readBytes(entry.path()) == input;
        }
        expect(kept, "an unreadable file is kept as it was");
        expect(!store.persistenceDisabled(), "a store whose file was moved aside may save");
        return 0;
    }
    const auto loaded = entries(store);
    expect(store.save(), "a loaded store saves");

    Store again(file, nullptr);
    again.load();
    expect(std::filesystem::exists(file), "what a store writes, it reads");
    expect(entries(again) == loaded, "a save and a reload keep every entry");
    return 0;
}

} // namespace corvale::fuzz
