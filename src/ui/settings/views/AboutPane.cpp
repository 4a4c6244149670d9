#include "ui/settings/views/AboutPane.h"

#include "core/FlashColor.h"
#include "core/NotificationCenter.h"
#include "ui/menubar/ConfigModel.h"
#include "ui/menubar/MenuTexts.h"
#include "ui/settings/BuildInfo.h"
#include "ui/settings/InfoPaneTexts.h"
#include "ui/settings/views/InfoPaneParts.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>

namespace corvale::settings {

namespace T = InfoPaneTexts;
using form::qs;

namespace {

// A button that reads as a link and opens its page in the browser.
QPushButton* linkButton(const QString& title, const char* url, Workspace& workspace,
                        const char* objectName) {
    auto* button = makeButton(title, [&workspace, url] { workspace.openURL(url); });
    button->setObjectName(objectName);
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setToolTip(url);
    QFont f = button->font();
    f.setUnderline(true);
    button->setFont(f);
    QPalette pal = button->palette();
    QColor link = pal.color(QPalette::Link);
    // Some dark themes keep the light theme's dark blue for links; the highlight stays readable.
    if (FlashColor::contrast(form::toFlashColor(link),
                             form::toFlashColor(pal.color(QPalette::Base))) < 3.0) {
        link = pal.color(QPalette::Highlight);
    }
    pal.setColor(QPalette::ButtonText, link);
    button->setPalette(pal);
    return button;
}

} // namespace

AboutPane::AboutPane(SettingsContext& context, QWidget* parent)
    : FormPane(parent), context_(context) {
    setObjectName("aboutPane");
}

void AboutPane::build() {
    auto* product = addCard(MenuTexts::productName);
    auto* version = new QLabel(qs(BuildInfo::current().versionLine()));
    version->setObjectName("versionLine");
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    product->row(T::version, version);
    product->addNote(T::tagline);

    auto* update = addCard(T::softwareUpdate);
    // Without an updater (packages update through the distribution) the button would do nothing;
    // the note alone says how updates come.
    if (context_.model.onCheckForUpdates) {
        auto* check = makeButton(T::checkForUpdates,
                                 [this] { context_.center.post(notes::checkForUpdates); });
        check->setObjectName("checkForUpdates");
        update->addWidget(inlineRow({check}));
    }
    update->addNote(T::updatesNote);

    auto* support = addCard(T::support);
    auto* bug = makeButton(T::reportBug, [this] { reportBug(); });
    bug->setObjectName("reportBug");
    support->row(T::somethingWrong, bug);
    auto* help = makeButton(T::emailSupport, [this] { emailSupport(); });
    help->setObjectName("emailSupport");
    support->row(T::needHelp, help);
    support->addNote(T::supportNote);
    support->row(T::links, inlineRow({linkButton(T::website, SupportContact::websiteURL,
                                                 context_.workspace, "website"),
                                      linkButton(T::privacyPolicy, SupportContact::privacyURL,
                                                 context_.workspace, "privacyPolicy")}));

    addCard(T::privacy)->addWidget(bodyText(T::privacyText));
}

SupportContact::Diagnostics AboutPane::diagnostics() const {
    return SupportContact::currentDiagnostics(context_.systemFacts ? context_.systemFacts()
                                                                   : SystemFacts{},
                                              context_.model.published().isTrusted);
}

void AboutPane::emailSupport() {
    sendMail(SupportContact::emailSupport(diagnostics()));
}

void AboutPane::reportBug() {
    sendMail(SupportContact::reportBug(diagnostics()));
}

void AboutPane::sendMail(const SupportContact::Mail& mail) {
    auto result = SupportContact::sendMail(mail, context_.workspace, [](const std::string& text) {
        if (auto* clipboard = QGuiApplication::clipboard()) {
            clipboard->setText(qs(text));
        }
    });
    if (result == SupportContact::MailResult::addressCopied) {
        context_.dialogs.runModalAlert(SupportContact::mailFallbackAlert());
    }
}

} // namespace corvale::settings
