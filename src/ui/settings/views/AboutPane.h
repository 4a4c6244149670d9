#pragma once

#include "platform/SupportContact.h"
#include "ui/settings/views/SettingsContext.h"
#include "ui/settings/views/SettingsForm.h"

namespace corvale::settings {

// "About": version, updates, support mail and links, privacy.
class AboutPane : public FormPane {
public:
    explicit AboutPane(SettingsContext& context, QWidget* parent = nullptr);

    void emailSupport();
    void reportBug();

protected:
    void build() override;

private:
    // Opens the mail in the user's mail program, or copies our address and says so.
    void sendMail(const SupportContact::Mail& mail);
    SupportContact::Diagnostics diagnostics() const;

    SettingsContext& context_;
};

} // namespace corvale::settings
