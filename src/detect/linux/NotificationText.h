#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace corvale::notificationText {

// Notification body markup as plain text: tags removed, entities decoded. A "<" that does not
// open a tag stays as it is.
std::string plainText(std::string_view markup);

// Text from outside made safe: invalid UTF-8 replaced, then cut to at most maxBytes bytes without
// splitting a character.
std::string boundedBytes(std::string_view raw, size_t maxBytes);

// The same, cut to at most maxCharacters characters (code points).
std::string boundedCharacters(std::string_view raw, size_t maxCharacters);

// The untranslated Name of a desktop entry's [Desktop Entry] group.
std::optional<std::string> desktopEntryName(std::string_view contents);

// Looks up <id>.desktop in the applications folders of $XDG_DATA_HOME and $XDG_DATA_DIRS and
// returns its Name. Ids that could name a path outside those folders find nothing.
std::optional<std::string> lookUpDesktopEntryName(std::string_view id);

// The file name of process pid's executable, else the kernel's short name for it ("comm").
std::optional<std::string> processName(int pid);

} // namespace corvale::notificationText
