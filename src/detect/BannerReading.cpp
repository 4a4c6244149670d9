#include "detect/BannerReading.h"

#include <charconv>
#include <cmath>

namespace corvale {
namespace {

// The decimal text of a number: integers without a fraction, others in their shortest form.
std::string numberText(double value) {
    char buffer[64];
    std::to_chars_result result;
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15) {
        result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(value));
    } else {
        result = std::to_chars(buffer, buffer + sizeof buffer, value);
    }
    return std::string(buffer, result.ptr);
}

std::string_view trimmedBlanksAndTabs(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool startsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        auto lower = [](char c) {
            return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        };
        if (lower(text[i]) != lower(prefix[i])) {
            return false;
        }
    }
    return true;
}

ObservedNotification::Kind kindFromSubrole(std::string_view subrole) {
    if (subrole == bannerRoles::banner) {
        return ObservedNotification::Kind::single;
    }
    if (subrole == bannerRoles::bannerStack) {
        return ObservedNotification::Kind::stack;
    }
    return ObservedNotification::Kind::unknown;
}

} // namespace

std::optional<std::string> axString(BannerTree& tree, BannerElement element,
                                    std::string_view attribute) {
    auto value = tree.attribute(element, attribute);
    if (auto* text = std::get_if<std::string>(&value)) {
        return std::move(*text);
    }
    if (auto* number = std::get_if<double>(&value)) {
        return numberText(*number);
    }
    return std::nullopt;
}

std::vector<BannerElement> axChildren(BannerTree& tree, BannerElement element) {
    auto value = tree.attribute(element, "AXChildren");
    if (auto* children = std::get_if<std::vector<BannerElement>>(&value)) {
        return std::move(*children);
    }
    return {};
}

void collectBanners(BannerTree& tree, BannerElement element, int depth,
                    std::vector<BannerElement>& into) {
    if (depth > maxBannerDepth) {
        return;
    }
    const auto subrole = axString(tree, element, "AXSubrole").value_or("");
    if (subrole == bannerRoles::banner || subrole == bannerRoles::bannerStack) {
        into.push_back(element);
        return;
    }
    for (auto child : axChildren(tree, element)) {
        collectBanners(tree, child, depth + 1, into);
    }
}

ObservedNotification extract(BannerTree& tree, BannerElement banner, TimePoint now) {
    ObservedNotification n;
    n.uuid = axString(tree, banner, "AXIdentifier").value_or("");
    const auto description = axString(tree, banner, "AXDescription").value_or("");
    const auto subrole = axString(tree, banner, "AXSubrole").value_or("");
    for (auto child : axChildren(tree, banner)) {
        if (axString(tree, child, "AXRole").value_or("") != bannerRoles::staticText) {
            continue;
        }
        auto value = axString(tree, child, "AXValue").value_or("");
        const auto identifier = axString(tree, child, "AXIdentifier").value_or("");
        if (identifier == "title") {
            n.title = std::move(value);
        } else if (identifier == "subtitle") {
            n.subtitle = std::move(value);
        } else if (identifier == "body") {
            n.body = std::move(value);
        }
    }
    // A name such as "Foo, Inc." must reach the rules whole where nothing summarises.
    n.appName = tree.descriptionIsAppName() ? description : sourceAppFromDescription(description);
    n.desktopEntryName = axString(tree, banner, "desktopEntryName").value_or("");
    const auto suppress = tree.attribute(banner, "suppressSound");
    const auto* flag = std::get_if<double>(&suppress);
    n.suppressSound = flag && *flag != 0.0;
    n.soundFile = axString(tree, banner, "soundFile").value_or("");
    n.soundName = axString(tree, banner, "soundName").value_or("");
    n.kind = kindFromSubrole(subrole);
    n.timestamp = now;
    return n;
}

std::string sourceAppFromDescription(std::string_view description) {
    constexpr std::string_view stackPrefix = "Stacked summary:";
    auto text = trimmedBlanksAndTabs(description);
    if (startsWithIgnoringAsciiCase(text, stackPrefix)) {
        text.remove_prefix(stackPrefix.size());
    }
    // The first non-empty comma-separated piece.
    while (!text.empty()) {
        const auto comma = text.find(',');
        const auto piece = text.substr(0, comma);
        if (!piece.empty()) {
            return std::string(trimmedBlanksAndTabs(piece));
        }
        if (comma == std::string_view::npos) {
            break;
        }
        text.remove_prefix(comma + 1);
    }
    return {};
}

} // namespace corvale
