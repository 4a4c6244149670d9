#pragma once

#include "core/Log.h"
#include "silence/linux/DoNotDisturbSource.h"

#include <functional>
#include <memory>
#include <string>

class QProcess;

namespace corvale {

// GNOME's setting org.gnome.desktop.notifications show-banners, read and then watched through
// gsettings on a GNOME desktop. Elsewhere, or where the setting does not exist, it reads as
// absent.
class GnomeShowBanners : public DoNotDisturbSource {
public:
    // `changed` runs after every change of the reading.
    GnomeShowBanners(std::function<void()> changed, LogFn log);
    ~GnomeShowBanners() override;

    void start();

    // Whether XDG_CURRENT_DESKTOP names GNOME (alone or as one of its colon-separated entries).
    static bool desktopIsGnome(const char* currentDesktop);

private:
    void readMonitorLines();

    LogFn log_;
    std::unique_ptr<QProcess> monitor_;
    std::unique_ptr<QProcess> reader_;
    std::string monitorBuffer_;
    bool monitorReported_ = false;
};

} // namespace corvale
