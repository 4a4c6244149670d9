#include "ui/settings/views/HelpPane.h"

#include "ui/menubar/ConfigModel.h"
#include "ui/settings/InfoPaneTexts.h"
#include "ui/settings/views/InfoPaneParts.h"
#include "ui/tray/TrayGlyphs.h"

#include <QFile>
#include <QHBoxLayout>
#include <QPainter>
#include <QSvgRenderer>
#include <QVBoxLayout>

// Resources of a static library must be registered by name, from the global namespace.
static void registerHelpGlyphs() {
    Q_INIT_RESOURCE(help_glyphs);
}

namespace corvale::settings {

using form::qs;

namespace {

constexpr int tileSize = 36;

// A rounded square in the topic's colour with the symbol in white.
class SymbolTile : public QWidget {
public:
    SymbolTile(const QString& symbol, const QColor& color, QWidget* parent)
        : QWidget(parent), symbol_(symbol), color_(color) {
        setFixedSize(tileSize, tileSize);
        setAccessibleName(symbol);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(color_);
        p.drawRoundedRect(QRectF(rect()), 8, 8);
        const qreal scale = devicePixelRatioF();
        const int glyphSize = 22;
        QImage glyph = helpGlyph(symbol_, qRound(glyphSize * scale));
        if (glyph.isNull()) {
            return;
        }
        {
            QPainter tint(&glyph);
            tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
            tint.fillRect(glyph.rect(), Qt::white);
        }
        glyph.setDevicePixelRatio(scale);
        const qreal inset = (tileSize - glyphSize) / 2.0;
        p.drawImage(QPointF(inset, inset), glyph);
    }

private:
    QString symbol_;
    QColor color_;
};

} // namespace

QImage helpGlyph(const QString& symbol, int pixels) {
    static const bool registered = (registerHelpGlyphs(), true);
    (void)registered;
    const QString path = QStringLiteral(":/help-glyphs/") + symbol + QStringLiteral(".svg");
    if (pixels > 0 && QFile::exists(path)) {
        QSvgRenderer renderer(path);
        if (renderer.isValid()) {
            QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            renderer.render(&painter, QRectF(0, 0, pixels, pixels));
            return image;
        }
    }
    QImage tray = TrayGlyphs::mask(symbol, pixels);
    const QString fill = QStringLiteral(".fill");
    if (tray.isNull() && symbol.endsWith(fill)) {
        tray = TrayGlyphs::mask(symbol.chopped(fill.size()), pixels);
    }
    return tray;
}

HelpCardView::HelpCardView(const HelpTopic& topic, bool showCaveat, QWidget* parent)
    : form::Card(parent) {
    setObjectName("helpCard:" + qs(topic.id));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 8, 12, 8);
    row->setSpacing(12);
    row->addWidget(new SymbolTile(qs(topic.symbol), form::toQColor(helpTileColor(topic.id)), this),
                   0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    texts->addWidget(form::heading(qs(topic.title), this));
    auto* summary = bodyText(qs(topic.summary), this);
    summary->setObjectName("summary");
    texts->addWidget(summary);
    auto* body = form::note(qs(topic.body), this);
    body->setObjectName("body");
    texts->addWidget(body);
    if (topic.caveat && showCaveat) {
        auto* caveat = form::warning(qs(*topic.caveat), this);
        caveat->setObjectName("caveat");
        texts->addWidget(caveat);
    }
    row->addLayout(texts, 1);
}

HelpPane::HelpPane(SettingsContext& context, QWidget* parent)
    : FormPane(parent), model_(context.model) {
    setObjectName("helpPane");
}

void HelpPane::build() {
    addNote(InfoPaneTexts::helpIntro);
    // Built again on each showing, so the warning follows notification access.
    const bool accessMissing = !model_.published().isTrusted;
    for (const auto& topic : HelpCatalog::topics()) {
        addWidget(new HelpCardView(topic, accessMissing));
    }
}

} // namespace corvale::settings
