#include "signals/FlashPalette.h"
#include "signals/MenuBarIconStyle.h"
#include "silence/linux/X11VirtualKey.h"
#include "support/FakeWorkspace.h"
#include "support/GuiApp.h"
#include "support/QtEventLoop.h"
#include "support/ScriptedDialogs.h"
#include "ui/render/RenderSamples.h"
#include "ui/settings/AppEditorState.h"
#include "ui/settings/views/AddAppChooser.h"
#include "ui/settings/views/FlashColorSwatchPicker.h"
#include "ui/settings/views/FlashStylePicker.h"
#include "ui/settings/views/HotKeyRecorderView.h"
#include "ui/settings/views/IconSwatchPicker.h"
#include "ui/settings/views/RuleSheet.h"
#include "ui/settings/views/SettingsForm.h"
#include "ui/settings/views/SettingsPaneFactories.h"
#include "ui/settings/views/SettingsSidebar.h"
#include "ui/settings/views/SettingsWindow.h"
#include "ui/settings/views/ThemeColorPicker.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

namespace corvale {
namespace {

using namespace std::chrono_literals;
using Kind = PaneID::Kind;

// The settings window over the sample session (apps with rules and content rules, alerts, saved
// sounds), with scripted dialogs and every desktop hook set, so that every control is enabled.
struct KeyboardFixture {
    QApplication& app = test::guiApp();
    SampleSession session{true};
    ScriptedDialogs dialogs;
    test::FakeWorkspace workspace;
    int edits = 0;
    Subscription changes;
    std::unique_ptr<SettingsWindowController> window;

    KeyboardFixture() {
        auto& model = *session.model;
        model.onOpenNotifSettings = [] {};
        model.onOpenAccessibilitySettings = [] {};
        changes = model.observe([this] { ++edits; });
        // A shortcut to clear, so that the recorder shows its icon-only clear button.
        session.prefs.setSnoozeHotKeyCombo(HotKeyCombo{1, HotKeyModifiers::control});
        settings::SettingsContext context{
            model, session.prefs, session.center, dialogs, workspace, {}, {}};
        context.keysymVirtualKeyCode = &X11VirtualKey::virtualKeyCodeForKeysym;
        window = std::make_unique<SettingsWindowController>(context, settingsPaneFactories());
    }

    // Shows the pane with the keyboard in the sidebar, where the window opens.
    settings::FormPane* show(const PaneID& pane) {
        window->open(pane);
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        sidebar()->setFocus(Qt::TabFocusReason);
        return window->splitView()->currentPane();
    }
    SettingsSidebar* sidebar() const { return window->splitView()->sidebar(); }
    Rule mailRule() const {
        return AppEditorState::effectiveRule(std::string("Mail"), session.model->rules());
    }
};

bool isPicker(const QWidget* w) {
    return dynamic_cast<const IconSwatchPicker*>(w) || dynamic_cast<const ThemeColorPicker*>(w) ||
           dynamic_cast<const settings::FlashStylePicker*>(w) ||
           dynamic_cast<const settings::FlashColorSwatchPicker*>(w);
}

// A control the keyboard has to reach. Scroll bars move with their pane, and a field's own
// clear button with its field.
bool isInteractive(const QWidget* w) {
    if (qobject_cast<const QScrollBar*>(w) ||
        (w->parentWidget() && qobject_cast<const QLineEdit*>(w->parentWidget()))) {
        return false;
    }
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QComboBox*>(w) ||
           qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSlider*>(w) ||
           qobject_cast<const QAbstractSpinBox*>(w) || qobject_cast<const QAbstractItemView*>(w) ||
           isPicker(w);
}

// What Tab stops on for a control: a picker's tiles are one stop, the picker.
const QWidget* unitOf(const QWidget* w) {
    return w->parentWidget() && isPicker(w->parentWidget()) ? w->parentWidget() : w;
}

QString describe(const QWidget* w) {
    return QString("%1 \"%2\"").arg(w->metaObject()->className(), w->objectName());
}

// The focus's path from `start` with `key` until it comes back to `start`.
std::vector<QWidget*> focusCycle(QWidget* start, Qt::Key key) {
    start->setFocus(key == Qt::Key_Tab ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    std::vector<QWidget*> seen{start};
    for (int step = 0; step < 300; ++step) {
        QTest::keyClick(QApplication::focusWidget(), key);
        QWidget* now = QApplication::focusWidget();
        if (!now || now == start) {
            break;
        }
        seen.push_back(now);
    }
    return seen;
}

QString accessibleName(QWidget* w) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
    return face ? face->text(QAccessible::Name) : QString();
}

// A pane or dialog to walk: `open` shows it and returns the widget whose controls Tab must reach
// and the control the walk starts from.
struct Surface {
    const char* name;
    std::function<std::pair<QWidget*, QWidget*>(KeyboardFixture&)> open;
};

std::function<std::pair<QWidget*, QWidget*>(KeyboardFixture&)> pane(PaneID id) {
    return [id](KeyboardFixture& f) -> std::pair<QWidget*, QWidget*> {
        return {f.show(id), f.sidebar()};
    };
}

TEST(Keyboard, tabReachesEveryNamedControlOfEachPaneInReadingOrderAndShiftTabWalksBack) {
    const Surface surfaces[] = {
        {"General", pane(PaneID::of(Kind::general))},
        {"Recent Alerts", pane(PaneID::of(Kind::recentAlerts))},
        {"All other apps", pane(PaneID::of(Kind::allOtherApps))},
        {"Popular apps", pane(PaneID::of(Kind::starterPresets))},
        {"Mail", pane(PaneID::app("Mail"))},
        {"My Sounds", pane(PaneID::of(Kind::soundLibrary))},
        {"Fix Double-Sound", pane(PaneID::of(Kind::setup))},
        {"App Detection", pane(PaneID::of(Kind::detection))},
        {"Help", pane(PaneID::of(Kind::help))},
        {"About", pane(PaneID::of(Kind::about))},
        {"rule sheet",
         [](KeyboardFixture& f) -> std::pair<QWidget*, QWidget*> {
             auto* mail = f.show(PaneID::app("Mail"));
             mail->findChild<QAbstractButton*>("addRule")->click();
             auto* sheet = f.window->findChild<settings::RuleSheet*>();
             // The window manager's part, which the offscreen platform leaves out.
             sheet->activateWindow();
             EXPECT_TRUE(
                 test::pumpEventsUntil([&] { return QApplication::activeWindow() == sheet; }, 2s));
             return {sheet, sheet->findChild<QWidget*>("conditionKind")};
         }},
        {"add-app chooser",
         [](KeyboardFixture& f) -> std::pair<QWidget*, QWidget*> {
             auto* chooser = new settings::AddAppChooser({"Zoom"}, {{"Files", std::nullopt}},
                                                         {"Mail"}, f.window.get());
             chooser->setAttribute(Qt::WA_DeleteOnClose);
             chooser->show();
             chooser->activateWindow();
             EXPECT_TRUE(QTest::qWaitForWindowActive(chooser));
             return {chooser, chooser->findChild<QWidget*>("appFilter")};
         }},
    };
    const auto walk = [](const Surface& surface) {
        KeyboardFixture f;
        auto [root, start] = surface.open(f);
        ASSERT_TRUE(root && start);

        const auto forward = focusCycle(start, Qt::Key_Tab);
        EXPECT_GT(forward.size(), 1u) << "Tab goes nowhere from " << describe(start).toStdString();
        std::set<const QWidget*> reached;
        for (auto* w : forward) {
            reached.insert(unitOf(w));
        }
        for (auto* w : root->findChildren<QWidget*>()) {
            if (!isInteractive(w) || !w->isVisibleTo(root->window()) || !w->isEnabled()) {
                continue;
            }
            EXPECT_TRUE(reached.count(unitOf(w)))
                << "Tab never reaches " << describe(w).toStdString();
            EXPECT_FALSE(accessibleName(w).trimmed().isEmpty())
                << describe(w).toStdString() << " has no name a screen reader could say";
        }

        // Reading order: inside the pane or dialog each stop is level with or below the last.
        QWidget* content =
            qobject_cast<QScrollArea*>(root) ? static_cast<QScrollArea*>(root)->widget() : root;
        const QWidget* previous = nullptr;
        for (auto* w : forward) {
            if (!content->isAncestorOf(w)) {
                continue;
            }
            if (previous) {
                const QRect before(previous->mapTo(content, QPoint()), previous->size());
                const QRect now(w->mapTo(content, QPoint()), w->size());
                EXPECT_GE(now.center().y(), before.top())
                    << describe(w).toStdString() << " comes after "
                    << describe(previous).toStdString() << " but stands above it";
            }
            previous = w;
        }

        auto backward = focusCycle(start, Qt::Key_Backtab);
        std::reverse(backward.begin() + 1, backward.end());
        EXPECT_EQ(backward, forward) << "Shift+Tab walks the same stops back";

        // Escape closes the window or dialog from any control; so does every key binding of the
        // desktop's close shortcut (Ctrl+W, Ctrl+F4) the settings window.
        std::vector<std::pair<QWidget*, QKeySequence>> closers{{forward.back(), Qt::Key_Escape}};
        if (root->window() == f.window.get()) {
            for (const auto& keys : QKeySequence::keyBindings(QKeySequence::Close)) {
                closers.emplace_back(forward[forward.size() / 2], keys);
            }
        }
        for (auto [at, keys] : closers) {
            root->window()->show();
            root->window()->activateWindow();
            ASSERT_TRUE(
                test::pumpEventsUntil([&] { return root->window()->isActiveWindow(); }, 2s));
            at->setFocus(Qt::TabFocusReason);
            QTest::keySequence(at, keys);
            EXPECT_FALSE(root->window()->isVisible())
                << keys.toString().toStdString() << " on " << describe(at).toStdString();
        }
    };
    for (const auto& surface : surfaces) {
        SCOPED_TRACE(surface.name);
        walk(surface);
    }
}

// Tabs on from the sidebar until the focus is on `name` or inside it (a picker's tile, the
// recorder's button).
QWidget* tabTo(const QString& name) {
    for (int step = 0; step < 200; ++step) {
        QWidget* now = QApplication::focusWidget();
        for (QWidget* w = now; w; w = w->parentWidget()) {
            if (w->objectName() == name) {
                return now;
            }
        }
        QTest::keyClick(now, Qt::Key_Tab);
    }
    ADD_FAILURE() << "Tab never reaches " << name.toStdString();
    return nullptr;
}

// Types each sequence where the keyboard is: an open pop-up's list, else the focused control.
void press(const std::vector<QKeySequence>& keys) {
    for (const auto& sequence : keys) {
        QWidget* to = QApplication::focusWidget();
        if (QWidget* popUp = QApplication::activePopupWidget()) {
            auto* list = popUp->findChild<QAbstractItemView*>();
            to = list ? list : popUp;
        }
        QTest::keySequence(to, sequence);
    }
}

TEST(Keyboard, spaceAndEnterDoWhatAClickDoes) {
    const auto tileKey = [](const char* key) { return QString("iconStyle:") + key; };
    struct Case {
        const char* what;
        PaneID pane;
        const char* control;
        std::vector<QKeySequence> keys;
        std::function<void(KeyboardFixture&)> check;
        // The control the focus is on afterwards, once the pane has been rebuilt.
        QString focusedAfter;
    } cases[] = {
        {"Enter on a button asks its question through the dialogs",
         PaneID::of(Kind::recentAlerts),
         "clearHistory",
         {Qt::Key_Enter},
         [](KeyboardFixture& f) {
             ASSERT_EQ(f.dialogs.alerts.size(), 1u);
             EXPECT_TRUE(f.session.model->recentAlerts().empty());
         },
         "includePreview"},
        {"Space opens a pop-up, Down and Enter choose in it",
         PaneID::of(Kind::general),
         "snoozeFor",
         {Qt::Key_Space, Qt::Key_Down, Qt::Key_Return},
         [](KeyboardFixture& f) {
             EXPECT_EQ(f.session.prefs.snoozeDurationMinutes(), 60) << "from 30, the default";
         },
         "snoozeFor"},
        {"arrows alone move among glyph tiles and choose none",
         PaneID::of(Kind::general),
         "iconSwatchPicker",
         {Qt::Key_Right, Qt::Key_Right, Qt::Key_Left},
         [](KeyboardFixture& f) { EXPECT_FALSE(f.session.prefs.menuBarIconStyleKey()); },
         tileKey(MenuBarIconStyle::all()[1].key.c_str())},
        {"Space on a colour swatch sets the rule's flash colour",
         PaneID::app("Mail"),
         "flashColor",
         {Qt::Key_End, Qt::Key_Home, Qt::Key_Right, Qt::Key_Space},
         [](KeyboardFixture& f) {
             EXPECT_EQ(f.mailRule().flashColor, FlashPalette::colors()[0]);
             EXPECT_EQ(f.edits, 1) << "one edit, when Space chose";
         },
         "swatch:" + QString::fromStdString(FlashPalette::colors()[0].hexString())},
        {"Up moves a row up the style grid; Enter chooses",
         PaneID::app("Mail"),
         "flashStyle",
         {Qt::Key_Down, Qt::Key_Up, Qt::Key_Return},
         [](KeyboardFixture& f) {
             EXPECT_EQ(f.mailRule().flashStyle, FlashStyle::edgeTop);
             EXPECT_EQ(f.edits, 1) << "one edit, when Enter chose";
         },
         "flashStyle:" + QString::fromStdString(std::string(rawValue(FlashStyle::edgeTop)))},
        {"Escape in an open pop-up closes only its list",
         PaneID::of(Kind::general),
         "snoozeFor",
         {Qt::Key_Space, Qt::Key_Escape},
         [](KeyboardFixture& f) {
             EXPECT_FALSE(QApplication::activePopupWidget());
             EXPECT_TRUE(f.window->isVisible());
         },
         "snoozeFor"},
        {"Escape while the shortcut recorder records ends only the recording",
         PaneID::of(Kind::general),
         "muteHotKey",
         {Qt::Key_Space, Qt::Key_Escape},
         [](KeyboardFixture& f) {
             EXPECT_FALSE(
                 f.window->findChild<HotKeyRecorderView*>("muteHotKey")->recorder().isRecording());
             EXPECT_FALSE(f.session.prefs.muteHotKeyCombo());
             EXPECT_TRUE(f.window->isVisible());
         },
         "record"},
        {"Space on a rule's switch, and the rebuilt pane keeps the focus there",
         PaneID::app("Mail"),
         "flashMenuBar",
         {Qt::Key_Space},
         [](KeyboardFixture& f) { EXPECT_FALSE(f.mailRule().flashMenuBar); },
         "flashMenuBar"},
    };
    // One case at a time, so that a failed assertion ends only its own case.
    const auto run = [](const Case& c) {
        KeyboardFixture f;
        f.dialogs.alertAnswers.push_back(0);
        const Rule mailBefore = f.mailRule();
        auto* pane = f.show(c.pane);
        ASSERT_NE(tabTo(c.control), nullptr);
        // Walking there changed nothing.
        EXPECT_EQ(f.mailRule().flashColor, mailBefore.flashColor);
        press(c.keys);
        test::pumpEventsFor(20ms); // the pane's rebuild after its edit
        c.check(f);
        ASSERT_EQ(f.window->splitView()->currentPane(), pane);
        // The window's focus, which it keeps while a closing pop-up hands activation around.
        QWidget* focused = f.window->focusWidget();
        ASSERT_NE(focused, nullptr);
        EXPECT_EQ(focused->objectName(), c.focusedAfter);
        EXPECT_TRUE(pane->isAncestorOf(focused));
        EXPECT_FALSE(focused->visibleRegion().isEmpty())
            << "the focused control is scrolled into view";
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        run(c);
    }
}

} // namespace
} // namespace corvale
