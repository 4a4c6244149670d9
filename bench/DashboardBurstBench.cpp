// How the main thread fares under a flood of alerts: the application object (on fake audio and
// desktop ports, with the real scheduler) takes 2,000 notifications from 500 app names within two
// seconds, once with the dashboard open and once with it closed. A 5 ms timer ticks on the main
// thread; the longest gap between its ticks, from the first notification until a second after the
// last, is the stall.
//
//   build/bin/corvale_bench_dashboard_burst [RUNS]      (default 3; offscreen unless
//   QT_QPA_PLATFORM)
//
// Target: no stall longer than 100 ms, dashboard open or not.

#include "app/AppDelegate.h"
#include "core/linux/QtScheduler.h"
#include "core/linux/SdBusEventSource.h"
#include "ui/menubar/views/ConfigView.h"

#include "StallMeter.h"

#include "support/FakeAppPorts.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

using namespace corvale;
using namespace corvale::test;

namespace {

constexpr int notifications = 2000;
constexpr int appNames = 500;
constexpr int burstMs = 2000;
constexpr int tickMs = 5;

struct Figures {
    bench::StallMeter::Figures stall;
    double cpuPerAlertMs = 0; // the main thread's CPU time over the run, per notification
};

Figures measure(bool dashboardOpen) {
    test::TempDir dir;
    Rule fallback = Rule::fallback();
    fallback.flashMenuBar = true;
    seedRules(dir / "Corvale", {fallback});
    QtScheduler scheduler;
    FakeAppPorts ports;
    LogFn quiet = [](const std::string&) {};
    AppDelegate app(ports.services(scheduler, quiet, quiet),
                    AppFolders{dir / "Corvale", {dir / "tones"}}, quiet);
    app.applicationDidFinishLaunching();
    ConfigModel& model = *app.configModel();
    model.setHooks(app.modelHooks());

    ConfigView dashboard(model, {PopoverLens::alerts, {}});
    if (dashboardOpen) {
        dashboard.show();
    }
    QApplication::processEvents();

    bench::StallMeter meter(tickMs);
    // Each tick of the sender delivers the notifications due by then, as the bus hands over
    // what arrived since the last look: in slices, as the bus's event source does, the rest at
    // the event loop's next turn.
    int sent = 0;
    QEventLoop loop;
    QTimer sender;
    sender.setTimerType(Qt::PreciseTimer);
    QObject::connect(&sender, &QTimer::timeout, [&] {
        const auto due = std::min<qint64>(
            notifications, static_cast<qint64>(meter.elapsedMs()) * notifications / burstMs + 1);
        QElapsedTimer slice;
        slice.start();
        for (int handled = 0; sent < due; ++sent, ++handled) {
            if (handled == SdBusEventSource::sliceMessages ||
                static_cast<std::uint64_t>(slice.nsecsElapsed() / 1000) >=
                    SdBusEventSource::sliceMicros) {
                sender.start(0);
                return;
            }
            ObservedNotification n;
            n.uuid = "burst-" + std::to_string(sent);
            n.appName = "Burst App " + std::to_string(sent % appNames);
            n.title = "Message " + std::to_string(sent);
            n.body = "Something happened";
            n.kind = ObservedNotification::Kind::single;
            n.timestamp = Clock::now();
            app.handle(n);
        }
        sender.start(1);
        if (sent == notifications) {
            sender.stop();
            QTimer::singleShot(1000, &loop, &QEventLoop::quit);
        }
    });

    const double startCpu = bench::threadCpuMs();
    meter.start();
    sender.start(1);
    loop.exec();
    Figures figures;
    figures.cpuPerAlertMs = (bench::threadCpuMs() - startCpu) / notifications;
    figures.stall = meter.finish();
    return figures;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = bench::offscreenRuns(argc, argv);
    QApplication qtApp(argc, argv);
    double worst = 0;
    for (int i = 0; i < runs; ++i) {
        for (bool open : {true, false}) {
            const Figures figures = measure(open);
            std::printf("run %d, dashboard %s: longest main-thread stall %.1f ms (on CPU %.1f ms "
                        "of it), ending %.0f ms after the first notification; busiest gap "
                        "%.1f ms CPU; %.2f ms CPU per alert\n",
                        i + 1, open ? "open  " : "closed", figures.stall.longestStallMs,
                        figures.stall.longestStallCpuMs, figures.stall.stallEndedAtMs,
                        figures.stall.busiestGapCpuMs, figures.cpuPerAlertMs);
            worst = std::max(worst, figures.stall.longestStallMs);
        }
    }
    return bench::stallVerdict(runs, worst);
}
