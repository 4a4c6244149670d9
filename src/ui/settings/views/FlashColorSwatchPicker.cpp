#include "ui/settings/views/FlashColorSwatchPicker.h"

#include "signals/FlashPalette.h"
#include "ui/menubar/views/FormHelpers.h"
#include "ui/settings/AppEditorTexts.h"
#include "ui/settings/views/TileKeys.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QPainter>

namespace corvale::settings {

namespace {

bool sameColor(const std::optional<FlashColor>& a, const std::optional<FlashColor>& b) {
    if (!a || !b) {
        return !a && !b;
    }
    return a->hexString() == b->hexString();
}

// One colour; the chosen one is outlined in black or white, whichever reads on it.
class Swatch : public QAbstractButton {
public:
    Swatch(const std::optional<FlashColor>& color, QWidget* parent)
        : QAbstractButton(parent), color_(color) {
        setCheckable(true);
        setAutoExclusive(true);
        setFixedSize(26, 26);
        if (color) {
            setAccessibleName(form::qs(AppEditorTexts::colorName(*color)));
            setToolTip(form::qs(color->hexString()));
            setObjectName("swatch:" + form::qs(color->hexString()));
        } else {
            setAccessibleName(AppEditorTexts::automaticColor);
            setToolTip(form::qs(AppEditorTexts::automaticColorHelp));
            setObjectName("swatch:automatic");
        }
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QPalette& pal = palette();
        const FlashColor fill = color_.value_or(FlashColor{1, 1, 1});
        QColor base = form::toQColor(fill);
        if (!isEnabled()) {
            base.setAlpha(80);
        }
        const QRectF tile = QRectF(rect()).adjusted(3, 3, -3, -3);
        QColor rim = pal.color(QPalette::WindowText);
        rim.setAlpha(90);
        p.setPen(QPen(rim, 1));
        p.setBrush(base);
        p.drawEllipse(tile);
        if (!color_) {
            // A slash: no colour of its own.
            p.setPen(QPen(QColor(0xC6, 0x28, 0x28, isEnabled() ? 255 : 90), 1.6));
            p.drawLine(tile.bottomLeft() + QPointF(4, -4), tile.topRight() + QPointF(-4, 4));
        }
        if (isChecked()) {
            const FlashColor mark = FlashPalette::labelTextColor(fill);
            p.setPen(QPen(form::toQColor(mark), 2));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(tile.adjusted(3, 3, -3, -3));
            p.setPen(QPen(pal.color(QPalette::Highlight), 2));
            p.drawEllipse(QRectF(rect()).adjusted(1, 1, -1, -1));
        }
    }

private:
    std::optional<FlashColor> color_;
};

} // namespace

FlashColorSwatchPicker::FlashColorSwatchPicker(const std::optional<FlashColor>& current,
                                               QWidget* parent)
    : QWidget(parent), current_(current) {
    setObjectName("flashColor");
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    std::vector<std::optional<FlashColor>> colors{std::nullopt};
    for (const auto& color : FlashPalette::colors()) {
        colors.emplace_back(color);
    }
    if (std::none_of(colors.begin(), colors.end(),
                     [&](const auto& c) { return sameColor(c, current); })) {
        colors.push_back(current);
    }
    auto* keys = new TileKeys(this, TileKeys::Ring::circle);
    for (const auto& color : colors) {
        auto* swatch = new Swatch(color, this);
        swatch->setChecked(sameColor(color, current));
        keys->add(swatch);
        connect(swatch, &QAbstractButton::clicked, this, [this, color] { choose(color); });
        row->addWidget(swatch);
    }
    row->addStretch(1);
}

void FlashColorSwatchPicker::choose(const std::optional<FlashColor>& color) {
    if (sameColor(color, current_)) {
        return;
    }
    current_ = color;
    if (onChoose) {
        onChoose(color);
    }
}

} // namespace corvale::settings
