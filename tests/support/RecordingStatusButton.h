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

    // A tray that honours a wide item, with glyphs 20 points wide inked from 3 to 16.
    bool wide = false;
    std::vector<double> lengths;
    int glyphRenders = 0;
    bool honoursWidth() const override { return wide; }
    double imageWidth() const override { return badge().empty() ? 20.0 : 31.5; }
    bool renderGlyph(const std::string&, GlyphBitmap& out, std::vector<float>& pixels) override {
        ++glyphRenders;
        pixels.assign(40 * 10, 0.0f);
        for (int y = 0; y < 10; ++y) {
            for (int x = 6; x <= 33; ++x) { // 2 px per point
                pixels[static_cast<size_t>(y * 40 + x)] = 1.0f;
            }
        }
        out = GlyphBitmap{20.0, 40, 10, pixels.data()};
        return true;
    }
    void setLength(double points) override { lengths.push_back(points); }

    std::string shown() const { return images.empty() ? "" : images.back().symbol; }
    std::string badge() const { return images.empty() ? "" : images.back().badge; }
};

} // namespace corvale::test
