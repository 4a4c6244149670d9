// Time from a request to open the settings window to the first paint of its pane, on a private X
// server (Xvfb), with the sample session's rules, alerts and apps: the first open (window and
// pane built) and a re-open of the hidden window (pane rebuilt on show).
//
//   build/bin/corvale_bench_settings_open [RUNS]      (default 20)
//
// Target: p95 under 300 ms for both.

#include "BenchSupport.h"
#include "platform/linux/XdgAutostart.h"
#include "platform/linux/XdgWorkspace.h"
#include "support/PrivateDisplay.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"
#include "ui/render/RenderSamples.h"
#include "ui/settings/views/QtDialogs.h"
#include "ui/settings/views/SettingsForm.h"
#include "ui/settings/views/SettingsPaneFactories.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDeadlineTimer>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using namespace corvale;
using SteadyClock = std::chrono::steady_clock;

namespace {

// Notes the first paint of any widget inside the pane the window shows.
class FirstPanePaint : public QObject {
public:
    explicit FirstPanePaint(SettingsWindowController& window) : window_(window) {}
    bool painted = false;

protected:
    bool eventFilter(QObject* target, QEvent* event) override {
        if (!painted && event->type() == QEvent::Paint && target->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(target);
            auto* pane = window_.splitView()->currentPane();
            painted = pane && (widget == pane || pane->isAncestorOf(widget));
        }
        return false;
    }

private:
    SettingsWindowController& window_;
};

// Milliseconds from the open request to the pane's first paint; negative on a 5 s timeout.
double timeOpen(SettingsWindowController& window) {
    FirstPanePaint watch(window);
    qApp->installEventFilter(&watch);
    const auto start = SteadyClock::now();
    window.open(PaneID::of(PaneID::Kind::general));
    QDeadlineTimer deadline(5000);
    while (!watch.painted && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    const auto end = SteadyClock::now();
    qApp->removeEventFilter(&watch);
    if (!watch.painted) {
        return -1;
    }
    return std::chrono::duration<double, std::milli>(end - start).count();
}

void settle(int ms) {
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

void report(const char* what, const std::vector<double>& samples) {
    std::printf("%-10s runs=%zu  p50=%.1f ms  p95=%.1f ms  max=%.1f ms\n", what, samples.size(),
                bench::percentile(samples, 50), bench::percentile(samples, 95),
                bench::percentile(samples, 100));
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::stoi(argv[1])) : 20;
    test::TempDir home;
    test::PrivateDisplay display;
    if (!display.ready()) {
        std::fprintf(stderr, "corvale_bench_settings_open: %s\n", display.setupError().c_str());
        return 1;
    }
    test::ScopedEnvironment env{{"QT_QPA_PLATFORM", "xcb"},
                                {"HOME", home.path().string()},
                                {"XDG_CONFIG_HOME", (home / "config").string()},
                                {"XDG_DATA_HOME", (home / "data").string()},
                                {"XDG_RUNTIME_DIR", bench::makeRuntimeDir(home.path()).string()}};
    for (const auto& [name, value] : display.clientEnvironment()) {
        env.set(name, value);
    }
    QApplication app(argc, argv);

    SampleSession session(true);
    QtDialogs dialogs;
    XdgWorkspace workspace;
    XdgAutostart autostart("/usr/bin/corvale", home / "config/autostart", {});
    settings::SettingsContext context{
        *session.model, session.prefs, session.center, dialogs, workspace, {}, {}};
    context.loginItems = &autostart;

    std::vector<double> first;
    std::vector<double> again;
    for (int i = 0; i < runs; ++i) {
        auto window = std::make_unique<SettingsWindowController>(context, settingsPaneFactories());
        const double opened = timeOpen(*window);
        window->close();
        settle(30);
        const double reopened = timeOpen(*window);
        window->close();
        window.reset();
        settle(30);
        if (opened < 0 || reopened < 0) {
            std::fprintf(stderr, "corvale_bench_settings_open: the pane was never painted\n");
            return 1;
        }
        first.push_back(opened);
        again.push_back(reopened);
    }
    report("first open", first);
    report("re-open", again);
    return 0;
}
