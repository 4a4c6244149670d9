#pragma once

#include "signals/StatusButton.h"

#include <optional>
#include <string>
#include <vector>

namespace corvale::test {

// Records what the status icon's logic asks the tray button to show.
struct RecordingStatusButton : StatusButton {
    struct Image {
        std::string symbol;
        std::string badge;
    };
    std::vector<Image> images;
    std::vector<std::optional<FlashColor>> tints;
    std::vector<double> opacities;

    bool setImage(const std::string& symbol, const std::string& badge) override {
        images.push_back({symbol, badge});
        return true;
    }
    void setTint(std::optional<FlashColor> color) override { tints.push_back(color); }
    void setOpacity(double opacity) override { opacities.push_back(opacity); }

    std::string shown() const { return images.empty() ? "" : images.back().symbol; }
    std::string badge() const { return images.empty() ? "" : images.back().badge; }
};

} // namespace corvale::test
