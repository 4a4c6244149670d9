#include "ui/settings/SettingsWindowFrame.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace corvale::SettingsWindowFrame {
namespace {

int overlap(int aStart, int aLength, int bStart, int bLength) {
    const long long start = std::max<long long>(aStart, bStart);
    const long long end = std::min<long long>(static_cast<long long>(aStart) + aLength,
                                              static_cast<long long>(bStart) + bLength);
    return end > start ? static_cast<int>(std::min<long long>(end - start, 1 << 30)) : 0;
}

bool reachable(const WindowRect& frame, const WindowRect& screen) {
    const int across = overlap(frame.x, frame.width, screen.x, screen.width);
    const int down = overlap(frame.y, frame.height, screen.y, screen.height);
    // The top edge must be on the screen too, or the title bar that drags the window is not.
    const bool topOnScreen = frame.y >= screen.y && frame.y < screen.y + screen.height;
    return across >= std::min(minVisible, frame.width) &&
           down >= std::min(minVisible, frame.height) && topOnScreen;
}

} // namespace

std::string storedText(const WindowRect& frame) {
    return std::to_string(frame.x) + " " + std::to_string(frame.y) + " " +
           std::to_string(frame.width) + " " + std::to_string(frame.height);
}

std::optional<WindowRect> fromStoredText(std::string_view text) {
    std::array<int, 4> values{};
    const char* at = text.data();
    const char* end = text.data() + text.size();
    for (std::size_t i = 0; i < values.size(); ++i) {
        while (at < end && *at == ' ') {
            ++at;
        }
        auto [next, error] = std::from_chars(at, end, values[i]);
        if (error != std::errc() || next == at) {
            return std::nullopt;
        }
        at = next;
    }
    while (at < end && *at == ' ') {
        ++at;
    }
    if (at != end || values[2] <= 0 || values[3] <= 0) {
        return std::nullopt;
    }
    return WindowRect{values[0], values[1], values[2], values[3]};
}

WindowRect placement(const std::optional<WindowRect>& saved, const std::vector<WindowRect>& screens,
                     std::size_t primary) {
    WindowRect frame{0, 0, defaultWidth, defaultHeight};
    if (saved) {
        frame = *saved;
        frame.width = std::clamp(frame.width, minWidth, maxWidth);
        frame.height = std::clamp(frame.height, minHeight, maxHeight);
        if (screens.empty() || std::any_of(screens.begin(), screens.end(),
                                           [&](const auto& s) { return reachable(frame, s); })) {
            return frame;
        }
    }
    if (screens.empty()) {
        return frame;
    }
    const WindowRect& screen = screens[primary < screens.size() ? primary : 0];
    frame.x = screen.x + std::max(0, (screen.width - frame.width) / 2);
    frame.y = screen.y + std::max(0, (screen.height - frame.height) / 2);
    return frame;
}

} // namespace corvale::SettingsWindowFrame
