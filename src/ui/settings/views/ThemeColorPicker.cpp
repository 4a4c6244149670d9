#include "ui/settings/views/ThemeColorPicker.h"

#include "ui/menubar/views/FormHelpers.h"
#include "ui/settings/GeneralTexts.h"
#include "ui/settings/views/TileKeys.h"

#include <QButtonGroup>
#include <QColorDialog>
#include <QConicalGradient>
#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QToolButton>

namespace corvale {
namespace {

constexpr int swatchSize = 22;

// A round swatch of `fill`; without a fill, a colour wheel (no custom colour chosen yet).
QIcon swatch(const std::optional<QColor>& fill, const QColor& rim, qreal ratio) {
    const int pixels = static_cast<int>(swatchSize * ratio);
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF circle(1.0 * ratio, 1.0 * ratio, pixels - 2.0 * ratio, pixels - 2.0 * ratio);
    if (fill) {
        painter.setBrush(*fill);
    } else {
        QConicalGradient wheel(circle.center(), 90);
        const QColor stops[] = {Qt::red, Qt::yellow, Qt::green, Qt::cyan, Qt::blue, Qt::magenta};
        for (int i = 0; i < 6; ++i) {
            wheel.setColorAt(i / 6.0, stops[i]);
        }
        wheel.setColorAt(1.0, Qt::red);
        painter.setBrush(wheel);
    }
    painter.setPen(QPen(rim, ratio));
    painter.drawEllipse(circle);
    painter.end();
    image.setDevicePixelRatio(ratio);
    return QIcon(QPixmap::fromImage(image));
}

QToolButton* tile(const char* name, const QString& caption, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(caption);
    button->setToolTip(caption);
    button->setAccessibleName(caption);
    button->setCheckable(true);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setIconSize(QSize(swatchSize, swatchSize));
    button->setMinimumWidth(88);
    button->setStyleSheet(QStringLiteral(
        "QToolButton { border: 1px solid transparent; border-radius: 7px; padding: 3px 6px; }"
        "QToolButton:checked { border: 2px solid palette(highlight); background: palette(base); "
        "}"));
    return button;
}

} // namespace

ThemeColorPicker::ThemeColorPicker(const AccentTheme& current, QWidget* parent)
    : QWidget(parent), current_(current) {
    setObjectName("themeColorPicker");
    chooseColor = [](const QColor& initial, QWidget* owner) -> std::optional<QColor> {
        const QColor picked = QColorDialog::getColor(initial, owner, GeneralTexts::customTheme,
                                                     QColorDialog::DontUseNativeDialog);
        return picked.isValid() ? std::optional(picked) : std::nullopt;
    };
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    brand_ = tile("themeBrand", GeneralTexts::brandTheme, this);
    system_ = tile("themeSystem", GeneralTexts::systemThemeTile, this);
    system_->setToolTip(GeneralTexts::systemTheme);
    system_->setAccessibleName(GeneralTexts::systemTheme);
    custom_ = tile("themeCustom", GeneralTexts::customTheme, this);
    auto* group = new QButtonGroup(this);
    auto* keys = new settings::TileKeys(this, settings::TileKeys::Ring::roundedRect);
    for (auto* button : {brand_, system_, custom_}) {
        group->addButton(button);
        keys->add(button);
        row->addWidget(button);
    }
    row->addStretch(1);

    connect(brand_, &QToolButton::clicked, this, [this] { choose(AccentTheme::brand()); });
    connect(system_, &QToolButton::clicked, this, [this] { choose(AccentTheme::system()); });
    connect(custom_, &QToolButton::clicked, this, [this] {
        const QColor initial = current_.kind == AccentTheme::Kind::custom
                                   ? form::toQColor(current_.color)
                                   : form::accentColor(current_);
        std::optional<QColor> picked = chooseColor ? chooseColor(initial, window()) : std::nullopt;
        if (picked && picked->isValid()) {
            choose(AccentTheme::custom(form::toFlashColor(*picked)));
        } else {
            drawTiles(); // a cancelled dialog leaves the theme, and the mark, as they were
        }
    });
    drawTiles();
}

void ThemeColorPicker::choose(const AccentTheme& theme) {
    current_ = theme;
    drawTiles();
    if (onChoose) {
        onChoose(theme);
    }
}

void ThemeColorPicker::drawTiles() {
    const qreal ratio = devicePixelRatioF();
    const QColor rim = palette().color(QPalette::Mid);
    brand_->setIcon(swatch(form::accentColor(AccentTheme::brand()), rim, ratio));
    system_->setIcon(swatch(form::accentColor(AccentTheme::system()), rim, ratio));
    // The custom tile shows the colour the dropdown will use, after the readability guard.
    custom_->setIcon(
        swatch(current_.kind == AccentTheme::Kind::custom
                   ? std::optional(form::toQColor(AccentTheme::guarded(current_.color)))
                   : std::nullopt,
               rim, ratio));
    // The tiles are exclusive: checking the chosen one unchecks the others.
    QToolButton* chosen = current_.kind == AccentTheme::Kind::system   ? system_
                          : current_.kind == AccentTheme::Kind::custom ? custom_
                                                                       : brand_;
    chosen->setChecked(true);
}

void ThemeColorPicker::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The system tile follows the desktop's accent colour as it changes.
    if (event->type() == QEvent::ApplicationPaletteChange) {
        drawTiles();
    }
}

} // namespace corvale
