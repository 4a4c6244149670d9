#include "silence/HotKeyRecorder.h"

#include <gtest/gtest.h>
#include <map>

using namespace corvale;

namespace {

// A layout that produces what the test says, per key code.
struct TableLayout : KeyboardLayout {
    std::map<std::uint32_t, std::string> produced;
    std::optional<std::string> producedCharacter(std::uint32_t keyCode) override {
        auto found = produced.find(keyCode);
        return found == produced.end() ? std::nullopt : std::optional(found->second);
    }
};

struct Recorder : ::testing::Test {
    TableLayout layout;
    int beeps = 0;
    int refreshes = 0;
    std::vector<std::optional<HotKeyCombo>> changes;
    bool recordingDuringChange = true;
    HotKeyRecorder recorder{HotKeyCombo{46, HotKeyModifiers::option | HotKeyModifiers::command},
                            layout,
                            HotKeyRecorder::Hooks{[this] { ++beeps; }, [this] { ++refreshes; }}};

    void SetUp() override {
        recorder.onChange = [this](std::optional<HotKeyCombo> combo) {
            recordingDuringChange = recorder.isRecording();
            changes.push_back(combo);
        };
    }
    void press(std::uint32_t keyCode, std::uint32_t flags = 0) {
        recorder.handle({keyCode, flags});
    }
};

constexpr std::uint32_t keyA = 0;
constexpr std::uint32_t keyF5 = 96;
constexpr std::uint32_t keyEscape = 53;

} // namespace

TEST_F(Recorder, refusesKeysWithoutARealModifierAndKeepsListening) {
    recorder.recordClicked();
    ASSERT_TRUE(recorder.isRecording());
    press(keyA);
    press(keyA, keyflags::shift);
    press(keyA, keyflags::capsLock | keyflags::numericPad | keyflags::function);
    EXPECT_EQ(beeps, 3);
    EXPECT_TRUE(recorder.isRecording());
    EXPECT_TRUE(changes.empty());

    press(keyA, keyflags::option | keyflags::shift);
    EXPECT_EQ(beeps, 3);
    EXPECT_FALSE(recorder.isRecording());
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0], (HotKeyCombo{keyA, HotKeyModifiers::option | HotKeyModifiers::shift}));
    EXPECT_FALSE(recordingDuringChange) << "recording stops before the owner hears of the combo";
}

TEST_F(Recorder, functionKeysNeedNoModifierAndOtherFlagsAreDropped) {
    recorder.recordClicked();
    press(keyF5);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0], (HotKeyCombo{keyF5, {}}));

    recorder.recordClicked();
    press(123, keyflags::command | keyflags::control | keyflags::option | keyflags::shift |
                   keyflags::numericPad | keyflags::function | keyflags::capsLock | 0x1);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[1]->modifiers.rawValue, 15u);
    EXPECT_EQ(recorder.buttonTitle(), "Ctrl+Alt+Shift+Super+Left");
}

TEST_F(Recorder, escapeCancelsOnlyWithNoFlagAtAll) {
    recorder.recordClicked();
    press(keyEscape);
    EXPECT_FALSE(recorder.isRecording());
    EXPECT_TRUE(changes.empty()) << "cancel does not report";
    EXPECT_EQ(recorder.combo(),
              (HotKeyCombo{46, HotKeyModifiers::option | HotKeyModifiers::command}));

    recorder.recordClicked();
    press(keyEscape, keyflags::capsLock);
    press(keyEscape, keyflags::shift);
    EXPECT_EQ(beeps, 2);
    EXPECT_TRUE(recorder.isRecording());
    press(keyEscape, keyflags::option);
    ASSERT_EQ(changes.size(), 1u);
    layout.produced[keyEscape] = "\x1b";
    EXPECT_EQ(recorder.buttonTitle(), "Alt+Escape");
}

TEST_F(Recorder, titlesFollowTheStateAndTheUsersLayout) {
    EXPECT_EQ(recorder.buttonTitle(), "Alt+Super+M") << "no layout answer: the log's label";
    EXPECT_FALSE(recorder.clearButtonHidden());
    layout.produced[46] = ",";
    EXPECT_EQ(recorder.buttonTitle(), "Alt+Super+,") << "the key's character on an AZERTY layout";
    layout.produced[46] = " ";
    EXPECT_EQ(recorder.buttonTitle(), "Alt+Super+M");

    recorder.recordClicked();
    EXPECT_EQ(recorder.buttonTitle(), "Type shortcut…  (Esc to cancel)");
    EXPECT_TRUE(recorder.clearButtonHidden());
    recorder.recordClicked();
    EXPECT_FALSE(recorder.isRecording()) << "a second click cancels";
    EXPECT_TRUE(changes.empty());

    recorder.recordClicked();
    recorder.clearClicked();
    EXPECT_FALSE(recorder.isRecording());
    EXPECT_EQ(recorder.buttonTitle(), "Record Shortcut");
    EXPECT_TRUE(recorder.clearButtonHidden());
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_FALSE(changes[0]);
    EXPECT_GE(refreshes, 5);

    press(keyA, keyflags::command);
    EXPECT_EQ(changes.size(), 1u) << "keys reach the recorder only while it records";
}
