#include "signals/StereoWidening.h"

#include <gtest/gtest.h>

#include <vector>

namespace corvale {
namespace {

TEST(StereoWidening, monoPlaysOnBothSidesAndStereoKeepsItsSides) {
    const std::vector<float> mono{0.25f, -0.5f};
    std::vector<float> out(4);
    widenToStereo(mono.data(), 2, 1, out.data());
    EXPECT_EQ(out, (std::vector<float>{0.25f, 0.25f, -0.5f, -0.5f}));

    const std::vector<float> stereo{0.1f, 0.2f, 0.3f, 0.4f};
    widenToStereo(stereo.data(), 2, 2, out.data());
    EXPECT_EQ(out, stereo);
}

} // namespace
} // namespace corvale
