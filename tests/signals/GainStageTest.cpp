#include "signals/GainStage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace corvale {
namespace {

TEST(GainStage, scalesEverySampleAndClipsAtFullScale) {
    std::vector<float> samples{0.25f, -0.25f, 0.6f, -0.6f, 1.0f, 0.0f};
    applyGain(samples.data(), samples.size(), 2.0f);
    EXPECT_FLOAT_EQ(samples[0], 0.5f);
    EXPECT_FLOAT_EQ(samples[1], -0.5f);
    EXPECT_FLOAT_EQ(samples[2], 1.0f) << "1.2 is clipped to full scale";
    EXPECT_FLOAT_EQ(samples[3], -1.0f) << "-1.2 is clipped to negative full scale";
    EXPECT_FLOAT_EQ(samples[4], 1.0f);
    EXPECT_FLOAT_EQ(samples[5], 0.0f);

    std::vector<float> quiet{0.5f, -1.0f};
    applyGain(quiet.data(), quiet.size(), 0.0f);
    EXPECT_FLOAT_EQ(quiet[0], 0.0f);
    EXPECT_FLOAT_EQ(quiet[1], 0.0f);
}

TEST(GainStage, damagedSamplesBecomeSilenceNotFullScale) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<float> samples{nan, inf, -inf, 0.5f};
    applyGain(samples.data(), samples.size(), 1.0f);
    EXPECT_FLOAT_EQ(samples[0], 0.0f) << "not a number";
    EXPECT_FLOAT_EQ(samples[1], 1.0f) << "infinity is only clipped";
    EXPECT_FLOAT_EQ(samples[2], -1.0f);
    EXPECT_FLOAT_EQ(samples[3], 0.5f);

    std::vector<float> zero{0.0f};
    applyGain(zero.data(), zero.size(), inf);
    EXPECT_FLOAT_EQ(zero[0], 0.0f) << "0 × infinity is not a number, so silence";
}

} // namespace
} // namespace corvale
