#include "ui/menubar/views/FormHelpers.h"

#include "core/Text.h"
#include "signals/FlashPalette.h"
#include "ui/menubar/ConfigModel.h"

#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <QWidget>

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTextDocument>

namespace corvale::form {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

std::string shortName(const std::string& name, int limit) {
    if (auto first = firstCharacters(name, limit)) {
        return *first + "\u2026";
    }
    return name;
}

void fitToScreen(QWidget& window) {
    const QScreen* screen = window.screen();
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen) {
        window.setMaximumSize(screen->availableGeometry().size());
    }
}

QColor toQColor(const FlashColor& color) {
    return QColor::fromRgbF(static_cast<float>(color.r), static_cast<float>(color.g),
                            static_cast<float>(color.b));
}

FlashColor toFlashColor(const QColor& color) {
    const QColor rgb = color.toRgb();
    return {rgb.redF(), rgb.greenF(), rgb.blueF()};
}

QColor accentColor(const AccentTheme& theme) {
    switch (theme.kind) {
    case AccentTheme::Kind::system:
        return QGuiApplication::palette().color(QPalette::Highlight);
    case AccentTheme::Kind::custom:
        return toQColor(theme.color);
    case AccentTheme::Kind::brand:
        break;
    }
    return QColor(ConfigModel::brandColorHex);
}

QColor textOn(const QColor& fill) {
    return toQColor(FlashPalette::labelTextColor(toFlashColor(fill)));
}

Card::Card(QWidget* parent) : QFrame(parent) {
    setContentsMargins(10, 8, 10, 8);
}

void Card::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor border = palette().color(QPalette::Mid);
    border.setAlpha(110);
    p.setPen(QPen(border, 1));
    // In a dark palette the base colour is darker than the window, and the style draws check
    // boxes and fields in it with an outline darker still: on a card of that same colour they
    // vanish. There the card is lifted above the window instead, and they sit in it as insets.
    QColor fill = palette().color(QPalette::Base);
    if (fill.lightness() < palette().color(QPalette::Window).lightness()) {
        fill = palette().color(QPalette::Window).lighter(125);
    }
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
}

ColorTile::ColorTile(const QColor& color, const QString& accessibleName, int size, QWidget* parent)
    : QWidget(parent), color_(color) {
    setFixedSize(size, size);
    setAccessibleName(accessibleName);
}

void ColorTile::setColor(const QColor& color) {
    color_ = color;
    update();
}

void ColorTile::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(color_.darker(130), 1));
    p.setBrush(color_);
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
}

Pill::Pill(const QString& text, const QColor& fill, QWidget* parent) : QLabel(parent), fill_(fill) {
    setTextFormat(Qt::PlainText);
    setText(text);
    QFont f = font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 0.8);
    setFont(f);
    setContentsMargins(7, 1, 7, 1);
    setAlignment(Qt::AlignCenter);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, Qt::white);
    setPalette(pal);
}

void Pill::setFill(const QColor& fill) {
    fill_ = fill;
    update();
}

void Pill::paintEvent(QPaintEvent* event) {
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(fill_);
        qreal r = height() / 2.0;
        p.drawRoundedRect(QRectF(rect()), r, r);
    }
    QLabel::paintEvent(event);
}

QLabel* label(const QString& text, QWidget* parent) {
    auto* made = new QLabel(parent);
    made->setTextFormat(Qt::PlainText);
    made->setText(text);
    return made;
}

NameLabel::NameLabel(const QString& whole, Qt::TextElideMode mode, QWidget* parent)
    : QLabel(parent), whole_(whole), shortened_(qs(shortName(whole.toStdString()))), mode_(mode) {
    setTextFormat(Qt::PlainText);
    setText(shortened_);
    setToolTip(plainTip(whole_));
}

QSize NameLabel::sizeHint() const {
    const QMargins margins = contentsMargins();
    return {fontMetrics().horizontalAdvance(shortened_) + margins.left() + margins.right(),
            QLabel::sizeHint().height()};
}

QSize NameLabel::minimumSizeHint() const {
    return {fontMetrics().horizontalAdvance(QStringLiteral("\u2026")) * 3,
            QLabel::minimumSizeHint().height()};
}

void NameLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    // Cut in the middle, the line keeps its end (a sound's volume after its name).
    const QString& source = mode_ == Qt::ElideRight ? shortened_ : whole_;
    setText(fontMetrics().elidedText(source, mode_, contentsRect().width()));
}

QString plainTip(const QString& text) {
    return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal) : text;
}

QLabel* heading(const QString& text, QWidget* parent) {
    auto* title = label(text, parent);
    QFont f = title->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.1);
    title->setFont(f);
    return title;
}

QLabel* note(const QString& text, QWidget* parent) {
    auto* small = label(text, parent);
    QFont f = small->font();
    f.setPointSizeF(f.pointSizeF() * 0.9);
    small->setFont(f);
    small->setWordWrap(true);
    small->setTextInteractionFlags(Qt::NoTextInteraction);
    small->setForegroundRole(QPalette::PlaceholderText);
    return small;
}

QLabel* warning(const QString& text, QWidget* parent) {
    auto* caution = note(QString(), parent);
    QPalette pal = caution->palette();
    pal.setColor(QPalette::WindowText, warningColor);
    caution->setPalette(pal);
    caution->setForegroundRole(QPalette::WindowText);
    setWarningText(caution, text);
    return caution;
}

void setWarningText(QLabel* warning, const QString& text) {
    warning->setText(text.isEmpty() ? QString() : QStringLiteral("\u26A0 ") + text);
}

QToolButton* iconButton(const QIcon& icon, const QString& help, const char* objectName,
                        QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(objectName);
    button->setIcon(icon);
    button->setIconSize(QSize(16, 16));
    button->setAutoRaise(true);
    button->setToolTip(plainTip(help));
    button->setAccessibleName(help);
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

QIcon glyphIcon(const QString& glyph, const QColor& color, int size) {
    QIcon icon;
    for (qreal scale : {1.0, 2.0}) {
        QPixmap pixmap(QSize(size, size) * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::TextAntialiasing);
        QFont f;
        f.setPixelSize(size - 2);
        p.setFont(f);
        p.setPen(color);
        p.drawText(QRectF(0, 0, size, size), Qt::AlignCenter, glyph);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QIcon powerIcon(const QColor& color, int size) {
    QIcon icon;
    for (qreal scale : {1.0, 2.0}) {
        QPixmap pixmap(QSize(size, size) * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(color, size / 9.0, Qt::SolidLine, Qt::RoundCap));
        qreal m = size * 0.18;
        QRectF ring(m, m + size * 0.04, size - 2 * m, size - 2 * m);
        // An open ring with a bar through its gap.
        p.drawArc(ring, 120 * 16, 300 * 16);
        p.drawLine(QPointF(size / 2.0, size * 0.1), QPointF(size / 2.0, size * 0.5));
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace corvale::form
