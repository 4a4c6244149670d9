#include "ui/settings/RecentAlertsList.h"

#include <unicode/calendar.h>
#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <tuple>

namespace corvale {

namespace {

UDate icuDate(TimePoint t) {
    return static_cast<UDate>(
        std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count());
}

bool sameDay(UDate a, UDate b, const icu::TimeZone& zone, const icu::Locale& locale) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Calendar> calendar(icu::Calendar::createInstance(zone, locale, status));
    if (U_FAILURE(status) || !calendar) {
        return false;
    }
    auto dayOf = [&](UDate date) {
        calendar->setTime(date, status);
        return std::tuple(calendar->get(UCAL_ERA, status), calendar->get(UCAL_YEAR, status),
                          calendar->get(UCAL_DAY_OF_YEAR, status));
    };
    bool same = dayOf(a) == dayOf(b);
    return U_SUCCESS(status) && same;
}

} // namespace

std::vector<PingRecord> newestFirst(const std::vector<PingRecord>& records) {
    std::vector<PingRecord> list(records.rbegin(), records.rend());
    std::stable_sort(list.begin(), list.end(), [](const PingRecord& a, const PingRecord& b) {
        return a.timestamp > b.timestamp;
    });
    return list;
}

std::string alertTimeLabel(TimePoint when, TimePoint now, const std::string& localeName,
                           const std::string& timeZone) {
    const icu::Locale locale =
        localeName.empty() ? icu::Locale::getDefault() : icu::Locale(localeName.c_str());
    std::unique_ptr<icu::TimeZone> zone(
        timeZone.empty() ? icu::TimeZone::createDefault()
                         : icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(timeZone)));
    const UDate date = icuDate(when);
    std::unique_ptr<icu::DateFormat> format(
        sameDay(date, icuDate(now), *zone, locale)
            ? icu::DateFormat::createTimeInstance(icu::DateFormat::kShort, locale)
            : icu::DateFormat::createDateTimeInstance(icu::DateFormat::kMedium,
                                                      icu::DateFormat::kShort, locale));
    if (!format) {
        return {};
    }
    format->setTimeZone(*zone);
    icu::UnicodeString text;
    format->format(date, text);
    std::string out;
    text.toUTF8String(out);
    return out;
}

} // namespace corvale
