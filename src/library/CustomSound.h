#pragma once

#include "core/FileUrl.h"
#include "core/Uuid.h"

#include <nlohmann/json_fwd.hpp>
#include <string>

namespace corvale {

// One entry of the "My Sounds" library.
struct CustomSound {
    Uuid id;
    std::string name;
    FileUrl fileURL;

    friend bool operator==(const CustomSound&, const CustomSound&) = default;
};

nlohmann::json toJson(const CustomSound& sound);
// Throws DecodeError when a key is missing or is not a UUID, a text or a file URL respectively.
CustomSound customSoundFromJson(const nlohmann::json& object);

} // namespace corvale
