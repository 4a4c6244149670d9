#include "store/RuleStore.h"

#include "support/TempDir.h"

#include <csignal>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace corvale;
using namespace corvale::test;

// A writer killed at any moment leaves a file that parses as one complete version, never a mix.
TEST(AtomicSave, fileSurvivesAKillOfTheWriterAtAnyMoment) {
    TempDir dir;
    auto file = dir / "rules.json";
    {
        RuleStore seed(file, nullptr);
        seed.load();
    }
    std::mt19937 random(12345);
    for (int round = 0; round < 40; ++round) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            RuleStore store(file, nullptr);
            store.load();
            // Rules of very different sizes, so a torn write could not still parse by chance.
            for (int i = 0;; ++i) {
                Rule rule = Rule::fallback();
                rule.appBundleId = rule.appDisplayName =
                    std::string(static_cast<size_t>(1 + (i % 7) * 900), 'x');
                store.upsert(rule);
                if (store.rules().size() > 30) {
                    store.remove(store.rules()[0].id);
                }
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(2000 + random() % 20000));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        auto parsed = nlohmann::json::parse(readFile(file), nullptr, false);
        ASSERT_TRUE(parsed.is_object()) << "round " << round << ": the file does not parse";
        ASSERT_EQ(parsed["version"], 1);
        for (const auto& rule : parsed["rules"]) {
            ASSERT_NO_THROW(ruleFromJson(rule));
        }
    }
}
