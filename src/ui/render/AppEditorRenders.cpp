#include "ui/render/RenderHarness.h"
#include "ui/render/RenderSamples.h"

#include "platform/Dialogs.h"
#include "platform/Workspace.h"
#include "ui/settings/views/AddAppChooser.h"
#include "ui/settings/views/AppEditorPane.h"
#include "ui/settings/views/RuleSheet.h"

#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPainter>

namespace corvale {

namespace {

// The harness shows no dialog and knows no desktop: every question is answered "cancelled".
struct QuietDesktop : Dialogs, Workspace {
    std::optional<std::size_t> runModalAlert(const AlertSpec&) override { return std::nullopt; }
    std::optional<std::string> runPrompt(const PromptSpec&) override { return std::nullopt; }
    std::optional<std::filesystem::path> runOpenPanel(const OpenPanelSpec&) override {
        return std::nullopt;
    }
    void beep() override {}
    std::vector<RunningApp> runningApplications() override { return {}; }
    std::optional<AppLocation> applicationWithDesktopId(const std::string&) override {
        return std::nullopt;
    }
    std::optional<AppLocation> installedApplication(const std::string&) override {
        return std::nullopt;
    }
    std::vector<AppLocation> installedApplications() override { return {}; }
    bool openApplication(const AppLocation&) override { return false; }
    bool openURL(const std::string&) override { return false; }
    std::optional<std::filesystem::path> iconFile(const AppLocation&) override {
        return std::nullopt;
    }
    bool revealFile(const std::filesystem::path&) override { return false; }
};

struct EditorSample {
    SampleSession session{true};
    QuietDesktop desktop;
    settings::SettingsContext context{
        *session.model, session.prefs, session.center, desktop, desktop, {}, {}};
};

const QSize detailSize(626, 560);

RenderCatalog::Draw pane(std::optional<std::string> app, bool fullHeight) {
    return [=](const RenderVariant& variant) {
        EditorSample sample;
        // Known to the rules but never seen: the pane warns that it was not detected yet.
        sample.session.model->addApp("Signal");
        sample.session.model->setFlashColor(FlashColor::fromHex("#3A76F0"), std::string("Signal"));
        settings::AppEditorPane editor(sample.context, app);
        if (!fullHeight) {
            return grabAtSize(&editor, detailSize, variant.deviceScale);
        }
        // The whole column, to look at every card at once.
        editor.setAttribute(Qt::WA_DontShowOnScreen);
        editor.resize(detailSize);
        editor.show();
        QWidget* column = editor.widget();
        const int height = column->hasHeightForWidth() ? column->heightForWidth(detailSize.width())
                                                       : column->sizeHint().height();
        return grabAtSize(&editor, QSize(detailSize.width(), height), variant.deviceScale);
    };
}

RenderCatalog::Draw sheet(bool withError) {
    return [=](const RenderVariant& variant) {
        EditorSample sample;
        settings::RuleSheet ruleSheet(*sample.session.model, sample.desktop, "Mail", std::nullopt,
                                      {});
        if (withError) {
            auto* kind = ruleSheet.findChild<QComboBox*>("conditionKind");
            kind->setCurrentIndex(2);
            ruleSheet.findChild<QLineEdit*>("keyword")->setText("(deploy|release");
            ruleSheet.save();
        }
        return grabPopup(&ruleSheet, variant.deviceScale);
    };
}

RenderCatalog::Draw chooser() {
    return [=](const RenderVariant& variant) {
        EditorSample sample;
        std::vector<AddAppCandidates::InstalledApp> installed;
        const std::vector<std::pair<const char*, const char*>> apps{
            {"Firefox", "#E66000"}, {"Thunderbird", "#0A84FF"}, {"Element", "#0DBD8B"},
            {"Signal", "#3A76F0"},  {"Files", "#6D4C41"},       {"Terminal", "#333333"},
            {"Slack", "#4A154B"}};
        for (const auto& [name, color] : apps) {
            // A plain tile stands in for the application's icon.
            QImage icon(44, 44, QImage::Format_ARGB32_Premultiplied);
            icon.fill(Qt::transparent);
            QPainter p(&icon);
            p.setRenderHint(QPainter::Antialiasing);
            p.setBrush(QColor(color));
            p.setPen(Qt::NoPen);
            p.drawRoundedRect(QRectF(2, 2, 40, 40), 9, 9);
            p.end();
            auto file = sample.session.path / (std::string(name) + ".png");
            icon.save(QString::fromStdString(file.string()));
            installed.push_back({name, file});
        }
        std::vector<std::string> seen{"Slack", "Mail", "Calendar", "Discord", "Backup Status"};
        settings::AddAppChooser dialog(seen, installed, {"Slack", "Mail", "Calendar"});
        return grabPopup(&dialog, variant.deviceScale);
    };
}

} // namespace

void addAppEditorRenders(RenderCatalog& catalog) {
    catalog.add("app-editor", pane(std::string("Mail"), false));
    catalog.add("app-editor-full", pane(std::string("Mail"), true));
    catalog.add("app-editor-default", pane(std::nullopt, false));
    catalog.add("app-editor-default-full", pane(std::nullopt, true));
    catalog.add("app-editor-unconfirmed", pane(std::string("Signal"), false));
    catalog.add("rule-sheet-new", sheet(false));
    catalog.add("rule-sheet-regex-error", sheet(true));
    catalog.add("add-app-chooser", chooser());
}

} // namespace corvale
