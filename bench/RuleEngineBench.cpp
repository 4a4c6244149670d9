// Cost of resolving one notification against a realistic rule list, and the bound on a regular
// expression with catastrophic backtracking run against hostile text.
//
//   build/bin/corvale_bench_rules
//
// Targets on the 2-core reference machine: resolve under 20 us; the catastrophic case under 150 ms.

#include "core/RuleEngine.h"

#include <benchmark/benchmark.h>

using namespace corvale;

namespace {

// 20 apps with a base rule and two content rules each; half of the content rules are regexes.
std::vector<Rule> realisticRules() {
    std::vector<Rule> rules;
    const char* patterns[] = {"deploy(ed)?|release", "\\bPR #\\d+", "(urgent|asap|p0)",
                              "invoice.*due", "build (failed|broken)"};
    for (int app = 0; app < 20; ++app) {
        std::string name = "Application " + std::to_string(app);
        Rule base = Rule::fallback();
        base.appBundleId = base.appDisplayName = name;
        rules.push_back(base);
        for (int k = 0; k < 2; ++k) {
            Rule content = base;
            content.id = Uuid::random();
            bool regex = (app * 2 + k) % 2 == 0;
            content.condition =
                regex ? Condition{Condition::Type::regex, patterns[(app + k) % 5]}
                      : Condition{Condition::Type::titleContains, "mention " + std::to_string(k)};
            rules.push_back(content);
        }
    }
    rules.push_back(Rule::fallback());
    return rules;
}

ObservedNotification notification(const std::string& app) {
    ObservedNotification n;
    n.appName = app;
    n.title = "Build finished for main";
    n.subtitle = "ci.example.org";
    n.body = "All 1,284 tests passed in 3m 12s. Nothing to do; this notification matches no "
             "content rule.";
    n.kind = ObservedNotification::Kind::single;
    return n;
}

void resolveRealistic(benchmark::State& state, const std::string& app) {
    auto rules = realisticRules();
    RuleEngine engine([&]() -> const std::vector<Rule>& { return rules; }, nullptr);
    auto n = notification(app);
    for (auto _ : state) {
        benchmark::DoNotOptimize(engine.resolve(n));
    }
}

void BM_ResolveAppWithRegexRules(benchmark::State& state) {
    resolveRealistic(state, "Application 10");
}
void BM_ResolveUnknownAppToDefault(benchmark::State& state) {
    resolveRealistic(state, "Some Other App");
}

void BM_CatastrophicPattern(benchmark::State& state) {
    Rule evil = Rule::fallback();
    evil.appBundleId = evil.appDisplayName = "Spam";
    evil.condition = Condition{Condition::Type::regex, "^(a|a)*(b|aa)*$"};
    std::vector<Rule> rules{evil, Rule::fallback()};
    int timeouts = 0;
    RuleEngine engine([&]() -> const std::vector<Rule>& { return rules; },
                      [&](const std::string&) { ++timeouts; });
    ObservedNotification n = notification("Spam");
    n.title = std::string(5000, 'a') + "c";
    for (auto _ : state) {
        benchmark::DoNotOptimize(engine.resolve(n));
    }
    state.counters["timeouts"] = benchmark::Counter(timeouts, benchmark::Counter::kAvgIterations);
}

} // namespace

BENCHMARK(BM_ResolveAppWithRegexRules)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ResolveUnknownAppToDefault)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CatastrophicPattern)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_MAIN();
