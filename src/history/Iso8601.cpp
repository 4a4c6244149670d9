#include "history/Iso8601.h"

#include <chrono>
#include <cstdio>

namespace corvale {
namespace {

// Reads exactly `width` ASCII digits at `pos`; -1 when any of them is not a digit.
int digits(std::string_view text, size_t pos, size_t width) {
    int value = 0;
    for (size_t i = pos; i < pos + width; ++i) {
        char c = text[i];
        if (c < '0' || c > '9') {
            return -1;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

std::string Iso8601::format(TimePoint time) {
    using namespace std::chrono;
    auto secs = floor<seconds>(time);
    auto day = floor<days>(secs);
    year_month_day date{day};
    hh_mm_ss clock{secs - day};
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02uT%02d:%02d:%02dZ",
                  static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), static_cast<int>(clock.hours().count()),
                  static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    return buffer;
}

std::optional<TimePoint> Iso8601::parse(std::string_view text) {
    using namespace std::chrono;
    // "YYYY-MM-DDTHH:MM:SS" is 19 characters; then "Z" or "+hh:mm".
    if (text.size() != 20 && text.size() != 25) {
        return std::nullopt;
    }
    if (text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' || text[16] != ':') {
        return std::nullopt;
    }
    int y = digits(text, 0, 4);
    int mo = digits(text, 5, 2);
    int d = digits(text, 8, 2);
    int h = digits(text, 11, 2);
    int mi = digits(text, 14, 2);
    int s = digits(text, 17, 2);
    if (y < 0 || mo < 0 || d < 0 || h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 || s > 59) {
        return std::nullopt;
    }
    year_month_day date{year{y}, month{static_cast<unsigned>(mo)}, day{static_cast<unsigned>(d)}};
    if (!date.ok()) {
        return std::nullopt;
    }
    minutes offset{0};
    if (text.size() == 20) {
        if (text[19] != 'Z') {
            return std::nullopt;
        }
    } else {
        char sign = text[19];
        int oh = digits(text, 20, 2);
        int om = digits(text, 23, 2);
        if ((sign != '+' && sign != '-') || text[22] != ':' || oh < 0 || oh > 23 || om < 0 ||
            om > 59) {
            return std::nullopt;
        }
        offset = hours{oh} + minutes{om};
        if (sign == '-') {
            offset = -offset;
        }
    }
    // Local time minus its offset is UTC.
    auto utc = sys_days{date} + hours{h} + minutes{mi} + seconds{s} - offset;
    // The clock counts nanoseconds, so it spans only a few centuries around 1970.
    if (utc < ceil<seconds>(TimePoint::min()) || utc > floor<seconds>(TimePoint::max())) {
        return std::nullopt;
    }
    return time_point_cast<Clock::duration>(utc);
}

} // namespace corvale
