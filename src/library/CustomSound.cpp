#include "library/CustomSound.h"

#include "core/Rule.h"

#include <nlohmann/json.hpp>

namespace corvale {

using nlohmann::json;

namespace {

std::string requiredText(const json& object, const char* key) {
    auto found = object.find(key);
    if (found == object.end() || found->is_null()) {
        throw DecodeError(std::string("key \"") + key + "\" missing");
    }
    if (!found->is_string()) {
        throw DecodeError(std::string("key \"") + key + "\" is not a string");
    }
    return found->get<std::string>();
}

} // namespace

json toJson(const CustomSound& sound) {
    return {{"fileURL", sound.fileURL.str()}, {"id", sound.id.str()}, {"name", sound.name}};
}

CustomSound customSoundFromJson(const json& object) {
    if (!object.is_object()) {
        throw DecodeError("a custom sound is not an object");
    }
    CustomSound sound;
    auto idText = requiredText(object, "id");
    auto id = Uuid::parse(idText);
    if (!id) {
        throw DecodeError("id \"" + idText + "\" is not a UUID");
    }
    sound.id = *id;
    sound.name = requiredText(object, "name");
    auto urlText = requiredText(object, "fileURL");
    auto url = FileUrl::parse(urlText);
    if (!url) {
        throw DecodeError("fileURL \"" + urlText + "\" is not a file URL");
    }
    sound.fileURL = std::move(*url);
    return sound;
}

} // namespace corvale
