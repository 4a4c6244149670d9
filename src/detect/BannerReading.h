#pragma once

#include "core/ObservedNotification.h"
#include "detect/BannerTree.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvale {

namespace bannerRoles {
inline constexpr std::string_view banner = "AXNotificationCenterBanner";
inline constexpr std::string_view bannerStack = "AXNotificationCenterBannerStack";
inline constexpr std::string_view staticText = "AXStaticText";
} // namespace bannerRoles

// The deepest level the banner walk examines; the root is level 0.
inline constexpr int maxBannerDepth = 18;

// A text attribute as text, a number as its decimal text, anything else as nothing.
std::optional<std::string> axString(BannerTree& tree, BannerElement element,
                                    std::string_view attribute);

// The element's children, or none when the read fails or gives something else.
std::vector<BannerElement> axChildren(BannerTree& tree, BannerElement element);

// Appends every banner under element, depth first, without descending into banners.
void collectBanners(BannerTree& tree, BannerElement element, int depth,
                    std::vector<BannerElement>& into);

// Reads one banner and its direct static-text children; the app's name comes from the description
// as the tree says it is written.
ObservedNotification extract(BannerTree& tree, BannerElement banner, TimePoint now);

// The posting application's name from a banner's description: the first comma-separated part,
// after the prefix a stacked group's summary carries.
std::string sourceAppFromDescription(std::string_view description);

} // namespace corvale
