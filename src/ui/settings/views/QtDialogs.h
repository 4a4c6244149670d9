#pragma once

#include "platform/Dialogs.h"

#include <functional>

class QWidget;

namespace corvale {

// The dialogs of the desktop through Qt: message boxes, a one-line input dialog and a file
// chooser (Qt's own, so they look alike on every desktop), each modal to the whole program and
// brought to the front.
class QtDialogs : public Dialogs {
public:
    // `parent` gives the window the dialogs belong to at the moment (none: they stand alone).
    explicit QtDialogs(std::function<QWidget*()> parent = {});

    std::optional<std::size_t> runModalAlert(const AlertSpec& alert) override;
    std::optional<std::string> runPrompt(const PromptSpec& prompt) override;
    std::optional<std::filesystem::path> runOpenPanel(const OpenPanelSpec& panel) override;
    void beep() override;

private:
    QWidget* parentWidget() const;

    std::function<QWidget*()> parent_;
};

} // namespace corvale
