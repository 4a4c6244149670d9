#pragma once

#include "core/Log.h"
#include "silence/DoNotDisturbReadings.h"

#include <functional>
#include <memory>
#include <string>

class QProcess;

namespace corvale {

// GNOME's setting org.gnome.desktop.notifications show-banners, read and then watched through
// gsettings on a GNOME desktop. Elsewhere, or where the setting does not exist, it reads as
// absent.
class GnomeShowBanners {
public:
    // `changed` runs after every change of the reading.
    GnomeShowBanners(std::function<void()> changed, LogFn log);
    ~GnomeShowBanners();
    GnomeShowBanners(const GnomeShowBanners&) = delete;
    GnomeShowBanners& operator=(const GnomeShowBanners&) = delete;

    void start();

    const DoNotDisturbReading& reading() const { return reading_; }

    // Whether XDG_CURRENT_DESKTOP names GNOME (alone or as one of its colon-separated entries).
    static bool desktopIsGnome(const char* currentDesktop);

private:
    void readMonitorLines();
    void set(std::optional<bool> value);
    void settle();

    std::function<void()> changed_;
    LogFn log_;
    std::unique_ptr<QProcess> monitor_;
    std::unique_ptr<QProcess> reader_;
    std::string monitorBuffer_;
    bool monitorReported_ = false;
    DoNotDisturbReading reading_;
};

} // namespace corvale
