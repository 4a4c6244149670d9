#include "ui/settings/views/IconSwatchPicker.h"

#include "signals/MenuBarIconStyle.h"
#include "ui/menubar/views/FormHelpers.h"
#include "ui/settings/views/TileKeys.h"
#include "ui/tray/TrayGlyphs.h"

#include <QButtonGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QToolButton>

namespace corvale {
namespace {

constexpr int glyphSize = 20;

QIcon glyphInColour(const QString& symbol, const QColor& colour, qreal ratio) {
    QImage glyph = TrayGlyphs::mask(symbol, static_cast<int>(glyphSize * ratio));
    if (glyph.isNull()) {
        return {};
    }
    QPainter painter(&glyph);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(glyph.rect(), colour);
    painter.end();
    glyph.setDevicePixelRatio(ratio);
    return QIcon(QPixmap::fromImage(glyph));
}

} // namespace

IconSwatchPicker::IconSwatchPicker(const std::string& currentKey, QWidget* parent)
    : QWidget(parent), group_(new QButtonGroup(this)) {
    setObjectName("iconSwatchPicker");
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    group_->setExclusive(true);
    auto* keys = new settings::TileKeys(this, settings::TileKeys::Ring::roundedRect);
    const auto& current = MenuBarIconStyle::forKey(currentKey);
    for (const auto& style : MenuBarIconStyle::all()) {
        auto* tile = new QToolButton(this);
        tile->setObjectName(form::qs("iconStyle:" + style.key));
        tile->setCheckable(true);
        tile->setChecked(style.key == current.key);
        tile->setAutoRaise(true);
        tile->setToolTip(form::qs(style.label));
        tile->setAccessibleName(form::qs(style.label));
        tile->setProperty("styleKey", form::qs(style.key));
        tile->setIconSize(QSize(glyphSize, glyphSize));
        tile->setFixedSize(34, 34);
        // The chosen tile is marked in the accent, readable on light and dark panels.
        tile->setStyleSheet(
            QStringLiteral("QToolButton { border: 1px solid palette(mid); border-radius: 7px; }"
                           "QToolButton:checked { border: 2px solid palette(highlight); "
                           "background: palette(base); }"));
        group_->addButton(tile);
        keys->add(tile);
        row->addWidget(tile);
        const std::string key = style.key;
        connect(tile, &QToolButton::clicked, this, [this, key] {
            if (onChoose) {
                onChoose(key);
            }
        });
    }
    row->addStretch(1);
    drawTiles();
}

std::string IconSwatchPicker::currentKey() const {
    auto* checked = group_->checkedButton();
    return checked ? checked->property("styleKey").toString().toStdString()
                   : MenuBarIconStyle::defaultKey;
}

void IconSwatchPicker::drawTiles() {
    const QColor colour = palette().color(QPalette::WindowText);
    const qreal ratio = devicePixelRatioF();
    const auto& styles = MenuBarIconStyle::all();
    const auto buttons = group_->buttons();
    for (int i = 0; i < buttons.size() && i < static_cast<int>(styles.size()); ++i) {
        buttons[i]->setIcon(glyphInColour(form::qs(styles[i].onSymbol), colour, ratio));
    }
}

void IconSwatchPicker::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange ||
        event->type() == QEvent::ApplicationPaletteChange) {
        drawTiles();
    }
}

} // namespace corvale
