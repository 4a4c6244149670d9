#include "ui/settings/views/SettingsSidebar.h"

#include "ui/menubar/views/FormHelpers.h"
#include "ui/settings/views/TileKeys.h"
#include "ui/tray/TrayGlyphs.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyledItemDelegate>
#include <QTimer>

namespace corvale {
namespace {

constexpr int tileSize = 22;
constexpr int sideMargin = 8;
constexpr int rowHeight = 28;
constexpr int headingHeight = 24;

// A rounded tile in `fill` with the symbol in white, drawn for the screen's pixel ratio.
QIcon tileIcon(const QString& symbol, const QColor& fill, qreal ratio) {
    const int pixels = static_cast<int>(tileSize * ratio);
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath tile;
    tile.addRoundedRect(QRectF(0, 0, pixels, pixels), pixels * 0.24, pixels * 0.24);
    painter.fillPath(tile, fill);
    const int glyphPixels = static_cast<int>(pixels * 0.8);
    QImage glyph = TrayGlyphs::mask(symbol, glyphPixels);
    if (!glyph.isNull()) {
        QPainter tint(&glyph);
        tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
        tint.fillRect(glyph.rect(), Qt::white);
        tint.end();
        const int at = (pixels - glyphPixels) / 2;
        painter.drawImage(at, at, glyph);
    }
    painter.end();
    image.setDevicePixelRatio(ratio);
    return QIcon(QPixmap::fromImage(image));
}

// Rows as the style draws them, with the settings window's focus ring around the current row
// in place of the style's faint one, which vanishes on the selection's accent.
class RowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem plain(option);
        plain.state &= ~QStyle::State_HasFocus;
        QStyledItemDelegate::paint(painter, plain, index);
        if ((option.state & QStyle::State_HasFocus) && option.widget &&
            settings::showsFocus(*option.widget)) {
            settings::paintFocusRing(*painter, option.rect, option.palette);
        }
    }
};

} // namespace

SettingsSidebar::SettingsSidebar(SettingsPrefs& prefs, NotificationCenter& center, QWidget* parent)
    : QListWidget(parent), prefs_(prefs) {
    setObjectName("settingsSidebar");
    setAccessibleName(SettingsPanes::sidebarName);
    setFixedWidth(width);
    setFrameShape(QFrame::NoFrame);
    setIconSize(QSize(tileSize, tileSize));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setItemDelegate(new RowDelegate(this));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The column sits on the window's colour, as a source list does, apart from the pane.
    setBackgroundRole(QPalette::Window);
    setViewportMargins(sideMargin, sideMargin, sideMargin, sideMargin);
    viewport()->setBackgroundRole(QPalette::Window);
    styleChanges_ = center.observe(notes::sidebarIconStyleChanged, [this] { redrawIcons(); });
}

QColor SettingsSidebar::tileColor(const SidebarEntry& entry) const {
    if (prefs_.sidebarIconsUseAccent()) {
        return QApplication::palette().color(QPalette::Highlight);
    }
    return form::toQColor(entry.tint);
}

void SettingsSidebar::setEntries(std::vector<SidebarEntry> entries,
                                 const std::optional<PaneID>& select) {
    quiet_ = true;
    clear();
    entries_ = std::move(entries);
    rowEntries_.clear();
    std::string group;
    for (int i = 0; i < static_cast<int>(entries_.size()); ++i) {
        const auto& entry = entries_[i];
        if (i == 0 || entry.group != group) {
            group = entry.group;
            auto* heading = new QListWidgetItem(form::qs(group), this);
            // Disabled, so that neither clicks nor the arrow keys stop on it.
            heading->setFlags(Qt::NoItemFlags);
            QFont font = heading->font();
            font.setBold(true);
            font.setPointSizeF(font.pointSizeF() * 0.85);
            heading->setFont(font);
            heading->setSizeHint(QSize(width - 2 * sideMargin, headingHeight));
            heading->setData(Qt::AccessibleTextRole, form::qs(group));
            rowEntries_.push_back(-1);
        }
        auto* item = new QListWidgetItem(form::qs(entry.label), this);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setSizeHint(QSize(width - 2 * sideMargin, rowHeight));
        item->setToolTip(form::plainTip(form::qs(entry.label)));
        rowEntries_.push_back(i);
    }
    redrawIcons();
    selectedRow_ = rowOf(select);
    if (selectedRow_ >= 0) {
        setCurrentRow(selectedRow_);
    } else {
        clearSelection();
    }
    quiet_ = false;
}

void SettingsSidebar::redrawIcons() {
    const qreal ratio = devicePixelRatioF();
    // Headings are disabled rows, whose grey would fade on the window colour: they take the
    // text colour, dimmed.
    QColor headingColor = palette().color(QPalette::WindowText);
    headingColor.setAlphaF(0.6f);
    for (int row = 0; row < count(); ++row) {
        if (rowEntries_[row] < 0) {
            item(row)->setForeground(headingColor);
        } else {
            const auto& entry = entries_[rowEntries_[row]];
            item(row)->setIcon(tileIcon(form::qs(entry.symbol), tileColor(entry), ratio));
        }
    }
}

std::optional<PaneID> SettingsSidebar::selectedPane() const {
    if (selectedRow_ < 0) {
        return std::nullopt;
    }
    return entries_[rowEntries_[selectedRow_]].pane;
}

int SettingsSidebar::rowOf(const std::optional<PaneID>& pane) const {
    if (!pane) {
        return -1;
    }
    for (int row = 0; row < static_cast<int>(rowEntries_.size()); ++row) {
        const int index = rowEntries_[row];
        if (index >= 0 && entries_[index].isPane() && entries_[index].pane == *pane) {
            return row;
        }
    }
    return -1;
}

void SettingsSidebar::selectionChanged(const QItemSelection& selected,
                                       const QItemSelection& deselected) {
    QListWidget::selectionChanged(selected, deselected);
    if (quiet_ || selected.indexes().isEmpty()) {
        return;
    }
    const int row = selected.indexes().first().row();
    if (row < 0 || row >= static_cast<int>(rowEntries_.size()) || rowEntries_[row] < 0) {
        return;
    }
    const SidebarEntry entry = entries_[rowEntries_[row]];
    if (entry.isPane()) {
        selectedRow_ = row;
        if (onPaneChosen) {
            onPaneChosen(entry.pane);
        }
        return;
    }
    // An action shows nothing: the pane on show stays selected, and the action runs once the
    // selection has settled, since it may open a dialog of its own.
    quiet_ = true;
    if (selectedRow_ >= 0) {
        setCurrentRow(selectedRow_);
    } else {
        clearSelection();
    }
    quiet_ = false;
    QTimer::singleShot(0, this, [this, entry] {
        if (onActionChosen) {
            onActionChosen(entry);
        }
    });
}

void SettingsSidebar::changeEvent(QEvent* event) {
    QListWidget::changeEvent(event);
    // The system accent is the palette's highlight: follow it when the desktop changes it.
    if (event->type() == QEvent::ApplicationPaletteChange) {
        redrawIcons();
    }
}

} // namespace corvale
