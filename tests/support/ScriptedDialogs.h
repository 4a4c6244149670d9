#pragma once

#include "platform/Dialogs.h"

#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace corvale {

// Dialogs that answer from a script and remember what they were asked. An empty script answers
// "cancelled" (no button, no text, no file).
struct ScriptedDialogs : Dialogs {
    std::deque<std::optional<std::size_t>> alertAnswers;
    std::deque<std::optional<std::string>> promptAnswers;
    std::deque<std::optional<std::filesystem::path>> openPanelAnswers;
    std::vector<AlertSpec> alerts;
    std::vector<PromptSpec> prompts;
    std::vector<OpenPanelSpec> openPanels;
    int beeps = 0;
    // Runs while each dialog is up, as the desktop's events would.
    std::function<void()> whileShown;

    std::optional<std::size_t> runModalAlert(const AlertSpec& alert) override {
        alerts.push_back(alert);
        shown();
        return next(alertAnswers);
    }
    std::optional<std::string> runPrompt(const PromptSpec& prompt) override {
        prompts.push_back(prompt);
        shown();
        return next(promptAnswers);
    }
    std::optional<std::filesystem::path> runOpenPanel(const OpenPanelSpec& panel) override {
        openPanels.push_back(panel);
        shown();
        return next(openPanelAnswers);
    }
    void beep() override { ++beeps; }

private:
    void shown() {
        if (whileShown) {
            whileShown();
        }
    }
    template <typename T> static std::optional<T> next(std::deque<std::optional<T>>& answers) {
        if (answers.empty()) {
            return std::nullopt;
        }
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

} // namespace corvale
