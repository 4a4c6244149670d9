#pragma once

#include "e2e/CorvaleSession.h"

namespace corvale::test {

// A test of the real corvale beside the test notification server, in a session of its own.
struct CorvaleTest : ::testing::Test {
    CorvaleSession session;
    std::unique_ptr<ChildProcess> server;
    std::unique_ptr<ChildProcess> corvale;

    void SetUp() override { ASSERT_TRUE(session.bus.ready()) << session.bus.setupError(); }

    // Starts the notification server and corvale (with `extra` in its environment), and waits
    // until corvale has attached to that server.
    void startBoth(std::map<std::string, std::optional<std::string>> extra = {}) {
        server = session.startNotificationServer();
        corvale = session.startCorvale(std::move(extra));
        ASSERT_TRUE(
            CorvaleSession::hasLine(*corvale, "[attach] OK pid=" + std::to_string(server->pid())));
    }
};

} // namespace corvale::test
