#include "detect/linux/NotificationText.h"

#include "core/Text.h"
#include "platform/linux/DesktopEntry.h"
#include "platform/linux/DesktopEntryIndex.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

namespace corvale::notificationText {
namespace {

constexpr size_t maxDesktopFileBytes = 1 << 20;

void appendCodePoint(std::string& out, unsigned long cp) {
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        out += "\xEF\xBF\xBD";
    } else if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes the entity at text[0] == '&'; returns how many bytes it used, 0 when it is none.
size_t decodeEntity(std::string_view text, std::string& out) {
    const auto semicolon = text.find(';');
    if (semicolon == std::string_view::npos || semicolon > 12) {
        return 0;
    }
    const auto name = text.substr(1, semicolon - 1);
    static constexpr std::pair<std::string_view, std::string_view> named[] = {
        {"amp", "&"},   {"lt", "<"},   {"gt", ">"},
        {"quot", "\""}, {"apos", "'"}, {"nbsp", "\xC2\xA0"}};
    for (const auto& [entity, replacement] : named) {
        if (name == entity) {
            out += replacement;
            return semicolon + 1;
        }
    }
    if (name.size() < 2 || name[0] != '#') {
        return 0;
    }
    const bool hex = name[1] == 'x' || name[1] == 'X';
    const auto digits = name.substr(hex ? 2 : 1);
    if (digits.empty()) {
        return 0;
    }
    unsigned long cp = 0;
    for (char c : digits) {
        int digit = -1;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (hex && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (hex && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        }
        if (digit < 0) {
            return 0;
        }
        cp = cp * (hex ? 16 : 10) + static_cast<unsigned long>(digit);
    }
    appendCodePoint(out, cp);
    return semicolon + 1;
}

bool opensTag(std::string_view rest) {
    if (rest.size() < 2) {
        return false;
    }
    const char c = rest[1];
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    return (letter || c == '/' || c == '!' || c == '?') && rest.find('>') != std::string_view::npos;
}

std::string cutAtCharacterBoundary(std::string text, size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return text;
    }
    size_t end = maxBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    text.resize(end);
    return text;
}

std::optional<std::string> readSmallFile(const std::string& path, size_t maxBytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string contents(maxBytes, '\0');
    in.read(contents.data(), static_cast<std::streamsize>(maxBytes));
    contents.resize(static_cast<size_t>(in.gcount()));
    return contents;
}

} // namespace

std::string plainText(std::string_view markup) {
    std::string out;
    out.reserve(markup.size());
    size_t i = 0;
    while (i < markup.size()) {
        const auto rest = markup.substr(i);
        if (markup[i] == '<' && opensTag(rest)) {
            i += rest.find('>') + 1;
        } else if (markup[i] == '&') {
            const auto used = decodeEntity(rest, out);
            if (used == 0) {
                out += '&';
                ++i;
            } else {
                i += used;
            }
        } else {
            out += markup[i++];
        }
    }
    return out;
}

std::string boundedBytes(std::string_view raw, size_t maxBytes) {
    // Cutting first keeps the work bounded; the replacement may grow the text a little again.
    return cutAtCharacterBoundary(validUtf8(raw.substr(0, maxBytes + 4)), maxBytes);
}

std::string boundedCharacters(std::string_view raw, size_t maxCharacters) {
    auto text = validUtf8(raw.substr(0, maxCharacters * 4 + 4));
    size_t characters = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && ++characters > maxCharacters) {
            text.resize(i);
            break;
        }
    }
    return text;
}

std::optional<std::string> desktopEntryName(std::string_view contents) {
    const auto entry = DesktopEntry::parse(contents, DesktopEntry::Parsing::lenient);
    auto name = entry ? entry->string("Name") : std::nullopt;
    if (!name || name->empty()) {
        return std::nullopt;
    }
    return validUtf8(*name);
}

std::optional<std::string> lookUpDesktopEntryName(std::string_view id) {
    constexpr std::string_view suffix = ".desktop";
    if (id.size() > suffix.size() && id.substr(id.size() - suffix.size()) == suffix) {
        id.remove_suffix(suffix.size());
    }
    if (id.empty() || id.size() > 255 || id.front() == '.' ||
        id.find('/') != std::string_view::npos || id.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    for (const auto& folder : DesktopEntryIndex::applicationFolders()) {
        const auto path = (folder / (std::string(id) + ".desktop")).string();
        if (auto contents = readSmallFile(path, maxDesktopFileBytes)) {
            if (auto name = desktopEntryName(*contents)) {
                return name;
            }
        }
    }
    return std::nullopt;
}

std::optional<std::string> processName(int pid) {
    if (pid <= 0) {
        return std::nullopt;
    }
    const std::string proc = "/proc/" + std::to_string(pid);
    // The executable's file name is whole; "comm" is cut to 15 characters. It stays for the
    // processes whose executable we may not see (another user's).
    std::error_code error;
    auto exe = std::filesystem::read_symlink(proc + "/exe", error).filename().string();
    constexpr std::string_view replaced = " (deleted)";
    if (!error && exe.size() > replaced.size() && exe.ends_with(replaced)) {
        exe.resize(exe.size() - replaced.size());
    }
    if (!error && !exe.empty()) {
        return validUtf8(exe);
    }
    auto comm = readSmallFile(proc + "/comm", 64);
    if (!comm) {
        return std::nullopt;
    }
    while (!comm->empty() && (comm->back() == '\n' || comm->back() == '\0')) {
        comm->pop_back();
    }
    if (comm->empty()) {
        return std::nullopt;
    }
    return validUtf8(*comm);
}

} // namespace corvale::notificationText
