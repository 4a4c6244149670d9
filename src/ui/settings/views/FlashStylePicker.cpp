#include "ui/settings/views/FlashStylePicker.h"

#include "signals/FlashStyleInfo.h"
#include "ui/menubar/views/FormHelpers.h"
#include "ui/settings/AppEditorTexts.h"
#include "ui/settings/views/TileKeys.h"

#include <QAbstractButton>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace corvale::settings {

namespace {

// One style: a screen with the style's bands, its title underneath.
class StyleTile : public QAbstractButton {
public:
    StyleTile(FlashStyle style, const QColor& band, QWidget* parent)
        : QAbstractButton(parent), style_(style), band_(band) {
        setCheckable(true);
        setAutoExclusive(true);
        const QString title = form::qs(std::string(FlashStyleInfo::title(style)));
        setText(title);
        setAccessibleName(title);
        setToolTip(form::qs(std::string(FlashStyleInfo::description(style))));
        setObjectName("flashStyle:" + form::qs(std::string(rawValue(style))));
        const int textWidth = fontMetrics().horizontalAdvance(title);
        setFixedSize(std::max(96, textWidth + 12), 40 + 12 + fontMetrics().height() + 8);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QPalette& pal = palette();
        const bool enabled = isEnabled();

        if (isChecked()) {
            QColor fill = pal.color(QPalette::Highlight);
            fill.setAlpha(40);
            p.setPen(QPen(pal.color(QPalette::Highlight), 2));
            p.setBrush(fill);
            p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 7, 7);
        }

        const QRectF screen((width() - 64) / 2.0, 6, 64, 40);
        QColor frame = pal.color(QPalette::WindowText);
        frame.setAlpha(enabled ? 150 : 60);
        QColor glass = pal.color(QPalette::Base);
        p.setPen(QPen(frame, 1.2));
        p.setBrush(glass);
        p.drawRoundedRect(screen, 4, 4);

        QColor band = band_;
        if (!enabled) {
            band.setAlpha(70);
        }
        p.setPen(Qt::NoPen);
        p.setBrush(band);
        const QRectF inner = screen.adjusted(2, 2, -2, -2);
        const double thick = 7;
        const auto edges = FlashStyleInfo::edges(style_);
        if (edges.empty()) {
            p.drawRoundedRect(inner, 3, 3);
        }
        for (auto edge : edges) {
            switch (edge) {
            case FlashEdge::top:
                p.drawRect(QRectF(inner.left(), inner.top(), inner.width(), thick));
                break;
            case FlashEdge::bottom:
                p.drawRect(QRectF(inner.left(), inner.bottom() - thick, inner.width(), thick));
                break;
            case FlashEdge::left:
                p.drawRect(QRectF(inner.left(), inner.top(), thick, inner.height()));
                break;
            case FlashEdge::right:
                p.drawRect(QRectF(inner.right() - thick, inner.top(), thick, inner.height()));
                break;
            }
        }

        p.setPen(pal.color(enabled ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
        const QRectF label(0, screen.bottom() + 6, width(), fontMetrics().height());
        p.drawText(label, Qt::AlignHCenter | Qt::AlignVCenter, text());
    }

private:
    FlashStyle style_;
    QColor band_;
};

} // namespace

FlashStylePicker::FlashStylePicker(FlashStyle current, const QColor& bandColor, QWidget* parent)
    : QWidget(parent), current_(current) {
    setObjectName("flashStyle");
    setAccessibleName(AppEditorTexts::flashStyleName);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(6);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(6);
    // Four to a row keeps the grid within the settings pane's narrowest width.
    constexpr int columns = 4;
    auto* keys = new TileKeys(this, TileKeys::Ring::roundedRect, columns);
    int index = 0;
    for (auto style : allFlashStyles) {
        auto* tile = new StyleTile(style, bandColor, this);
        tile->setChecked(style == current);
        keys->add(tile);
        connect(tile, &QAbstractButton::clicked, this, [this, style] { choose(style); });
        grid->addWidget(tile, index / columns, index % columns);
        ++index;
    }
    grid->setColumnStretch(columns, 1);
    outer->addLayout(grid);
    line_ = form::note(form::qs(FlashStyleInfo::pickerLine(current)), this);
    line_->setObjectName("flashStyleLine");
    outer->addWidget(line_);
}

void FlashStylePicker::choose(FlashStyle style) {
    if (style == current_) {
        return;
    }
    current_ = style;
    line_->setText(form::qs(FlashStyleInfo::pickerLine(style)));
    if (onChoose) {
        onChoose(style);
    }
}

} // namespace corvale::settings
