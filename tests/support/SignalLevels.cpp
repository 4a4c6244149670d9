#include "support/SignalLevels.h"

#include <algorithm>
#include <cmath>

namespace corvale::test {

std::optional<Span> audibleSpan(const std::vector<float>& samples, float threshold) {
    auto loud = [threshold](float s) { return std::fabs(s) > threshold; };
    const auto first = std::find_if(samples.begin(), samples.end(), loud);
    if (first == samples.end()) {
        return std::nullopt;
    }
    const auto last = std::find_if(samples.rbegin(), samples.rend(), loud);
    return Span{static_cast<std::size_t>(first - samples.begin()),
                static_cast<std::size_t>(samples.rend() - last)};
}

double rms(const std::vector<float>& samples, std::size_t begin, std::size_t end) {
    end = std::min(end, samples.size());
    if (begin >= end) {
        return 0;
    }
    double sum = 0;
    for (std::size_t i = begin; i < end; ++i) {
        sum += static_cast<double>(samples[i]) * samples[i];
    }
    return std::sqrt(sum / static_cast<double>(end - begin));
}

double peak(const std::vector<float>& samples) {
    double top = 0;
    for (float s : samples) {
        top = std::max(top, static_cast<double>(std::fabs(s)));
    }
    return top;
}

double steadyLevel(const std::vector<float>& samples, float threshold) {
    const auto span = audibleSpan(samples, threshold);
    if (!span) {
        return -200;
    }
    const std::size_t margin = span->size() / 10;
    return decibels(rms(samples, span->begin + margin, span->end - margin));
}

double decibels(double ratio) {
    return 20 * std::log10(ratio);
}

} // namespace corvale::test
