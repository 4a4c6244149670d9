#include "platform/LoginItem.h"
#include "support/LogRecorder.h"

#include <gtest/gtest.h>

using namespace corvale;
using Action = LoginItem::Decision::Action;

namespace {

struct FakeLoginItems : LoginItemService {
    LoginItemStatus current = LoginItemStatus::notRegistered;
    std::optional<std::string> failure;
    int registers = 0;
    int unregisters = 0;
    int settingsOpened = 0;

    LoginItemStatus status() override { return current; }
    std::optional<std::string> registerItem() override {
        ++registers;
        if (!failure) {
            current = LoginItemStatus::enabled;
        }
        return failure;
    }
    std::optional<std::string> unregisterItem() override {
        ++unregisters;
        if (!failure) {
            current = LoginItemStatus::notRegistered;
        }
        return failure;
    }
    void openLoginItemsSettings() override { ++settingsOpened; }
};

} // namespace

TEST(LoginItem, turningOnRegistersOnlyWhenNeitherEnabledNorAwaitingApproval) {
    test::LogRecorder log;
    FakeLoginItems items;
    EXPECT_EQ(LoginItem::setEnabled(true, items, log.fn()).action, Action::registered);
    EXPECT_EQ(items.registers, 1);

    EXPECT_EQ(LoginItem::setEnabled(true, items, log.fn()).action, Action::none);
    EXPECT_EQ(items.registers, 1) << "already enabled: no second registration";

    items.current = LoginItemStatus::requiresApproval;
    EXPECT_EQ(LoginItem::setEnabled(true, items, log.fn()).action, Action::openedSettings);
    EXPECT_EQ(items.settingsOpened, 1);
    EXPECT_EQ(items.registers, 1) << "waiting for approval: the settings open instead";

    items.current = LoginItemStatus::notFound;
    EXPECT_EQ(LoginItem::setEnabled(true, items, log.fn()).action, Action::registered);
    EXPECT_TRUE(log.lines.empty());
}

TEST(LoginItem, turningOffUnregistersOnlyAnEnabledItemAndFailuresAreLogged) {
    test::LogRecorder log;
    FakeLoginItems items;
    for (auto status : {LoginItemStatus::notRegistered, LoginItemStatus::requiresApproval,
                        LoginItemStatus::notFound}) {
        items.current = status;
        EXPECT_EQ(LoginItem::setEnabled(false, items, log.fn()).action, Action::none);
    }
    EXPECT_EQ(items.unregisters, 0);

    items.current = LoginItemStatus::enabled;
    items.failure = "permission denied";
    EXPECT_EQ(LoginItem::setEnabled(false, items, log.fn()).action, Action::unregistered);
    items.current = LoginItemStatus::notRegistered;
    EXPECT_EQ(LoginItem::setEnabled(true, items, log.fn()).action, Action::none)
        << "a failed registration changes nothing";
    EXPECT_EQ(log.lines,
              (std::vector<std::string>{"Corvale launchAtLogin(off) failed: permission denied",
                                        "Corvale launchAtLogin(on) failed: permission denied"}));
}

TEST(LoginItem, aProgramInsideATemporaryFolderIsToldApart) {
    const std::vector<std::filesystem::path> temporary{"/tmp", "/home/me/scratch/"};
    for (const char* program :
         {"/tmp/build/bin/corvale", "/tmp/./x/../corvale", "/home/me/scratch/bin/corvale"}) {
        EXPECT_TRUE(LoginItem::startsFromTemporaryFolder(program, temporary)) << program;
    }
    for (const char* program : {"/usr/bin/corvale", "/tmpfiles/bin/corvale", "/tmp",
                                "/home/me/scratchpad/corvale", "/tmp/../usr/bin/corvale"}) {
        EXPECT_FALSE(LoginItem::startsFromTemporaryFolder(program, temporary)) << program;
    }
    EXPECT_FALSE(LoginItem::startsFromTemporaryFolder("/tmp/corvale", {"", "tmp"}))
        << "an empty or relative folder contains nothing";
}
