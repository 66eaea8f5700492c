#include "app/rom_list_view.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionViewItem>
#include <utility>

namespace zorvex::app {

namespace {
const char* const kColumnTitles[kRomFieldCount] = {
    "Name", "Size", "FileName", "CRC", "Attributes", "Screenshot", "File Attributes"};
}

RomListTableModel::RomListTableModel(RomListModel& rows, QObject* parent)
    : QAbstractTableModel(parent), rows_(rows) {
    rows_.SetObserver(this);
}

RomListTableModel::~RomListTableModel() {
    rows_.SetObserver(nullptr);
}

int RomListTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_.Count();
}

int RomListTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kRomFieldCount;
}

QVariant RomListTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_.Count()) return {};
    if (role != Qt::DisplayRole && (role != Qt::ToolTipRole || index.column() != FieldFileName))
        return {};
    const std::string& text = rows_.Row(index.row())[index.column()];
    // The title is the cartridge header's plain 8-bit text, not UTF-8; the
    // file names are the file system's.
    if (index.column() == FieldName)
        return QString::fromLatin1(text.data(), qsizetype(text.size()));
    return QString::fromStdString(text);
}

QVariant RomListTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < kRomFieldCount)
        return QString::fromLatin1(kColumnTitles[section]);
    return {};
}

void RomListTableModel::RowAboutToBeInserted(int row) {
    beginInsertRows(QModelIndex(), row, row);
}

void RomListTableModel::RowInserted(int) {
    endInsertRows();
}

void RomListTableModel::RowAboutToBeRemoved(int row) {
    beginRemoveRows(QModelIndex(), row, row);
}

void RomListTableModel::RowRemoved(int) {
    endRemoveRows();
}

void RomListTableModel::FieldChanged(int row, int field) {
    const QModelIndex at = index(row, field);
    emit dataChanged(at, at);
}

void RomListTableModel::AboutToReset() {
    beginResetModel();
}

void RomListTableModel::Reset() {
    endResetModel();
}

RomListView::RomListView(RomListModel& rows, const std::array<int, 7>& columnWidths,
                         QWidget* parent)
    : QTableView(parent), model_(new RomListTableModel(rows, this)) {
    setModel(model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setSortingEnabled(false);  // the rows keep their order by Name; header clicks change nothing
    setWordWrap(false);
    setTabKeyNavigation(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsMovable(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int c = 0; c < kRomFieldCount; ++c) {
        if (columnWidths[static_cast<size_t>(c)] == 0) {
            setColumnHidden(c, true);
        } else {
            setColumnWidth(c, columnWidths[static_cast<size_t>(c)]);
        }
    }
    // Black on white; the selection keeps the platform's colours, active
    // while the list has the focus and inactive otherwise (initViewItemOption).
    // Styles that give both the same colour get the grey of a button face for
    // the inactive one, the usual colour of a selection without focus.
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::Text, Qt::black);
    if (p.color(QPalette::Inactive, QPalette::Highlight) ==
        p.color(QPalette::Active, QPalette::Highlight)) {
        p.setColor(QPalette::Inactive, QPalette::Highlight,
                   p.color(QPalette::Active, QPalette::Button).darker(120));
        p.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   p.color(QPalette::Active, QPalette::ButtonText));
    }
    setPalette(p);

    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    hoverTimer_.setSingleShot(true);
    hoverTimer_.setInterval(kHoverTimeMs);
    connect(&hoverTimer_, &QTimer::timeout, this, &RomListView::HoverTimeout);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected, const QItemSelection&) {
                if (selected.indexes().isEmpty()) {
                    ScheduleSync();
                    return;
                }
                const int row = selected.indexes().first().row();
                pickedFile_ = model_->rows().Row(row)[FieldFileName];
                highlightDirty_ = false;
                reportedNone_ = false;
                emit ItemChanged(row);
            });
    // A row is built one field at a time and a rescan removes and adds many,
    // so the highlight is looked at once the event loop runs again (the scan
    // pumps it between files), when the rows are whole.
    syncTimer_.setSingleShot(true);
    syncTimer_.setInterval(0);
    connect(&syncTimer_, &QTimer::timeout, this, &RomListView::SyncHighlight);
    connect(model_, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& topLeft, const QModelIndex&) {
                if (topLeft.row() == SelectedRow()) highlightDirty_ = true;
                ScheduleSync();
            });
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(model_, signal, this, [this] { ScheduleSync(); });
    connect(model_, &QAbstractItemModel::modelReset, this, [this] { ScheduleSync(); });
}

void RomListView::ScheduleSync() {
    if (!syncTimer_.isActive()) syncTimer_.start();
}

int RomListView::RowOfFile(const std::string& fileName) const {
    const RomListModel& rows = model_->rows();
    for (int row = 0; row < rows.Count(); ++row)
        if (rows.Row(row)[FieldFileName] == fileName) return row;
    return -1;
}

void RomListView::SyncHighlight() {
    const int row = SelectedRow();
    if (row == -1 && followsPickedFile_ && !pickedFile_.empty()) {
        // The picked file's row was rebuilt: the highlight goes back to it,
        // and selecting it reports it.
        const int again = RowOfFile(pickedFile_);
        if (again != -1) return SelectRow(again);
    }
    if (row == -1) {
        highlightDirty_ = false;
        if (!reportedNone_) {
            reportedNone_ = true;
            emit ItemChanged(-1);
        }
    } else if (std::exchange(highlightDirty_, false)) {
        emit ItemChanged(row);
    }
}

void RomListView::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) {
    // A single-selection view moves its current row, and with it the
    // selection, to a neighbour of a removed current row. The selected row is
    // what Return sends, so when the current row goes nothing becomes current,
    // and the selection model drops the selection of the removed row itself.
    const QModelIndex current = currentIndex();
    if (current.isValid() && current.row() >= start && current.row() <= end)
        selectionModel()->clearCurrentIndex();
    QTableView::rowsAboutToBeRemoved(parent, start, end);
}

void RomListView::initViewItemOption(QStyleOptionViewItem* option) const {
    QTableView::initViewItemOption(option);
    // Return means "send" in this list and "quit" on the Exit button, so the
    // selection of a list without the focus is drawn in the inactive colour
    // even while the window is active.
    if (!hasFocus()) option->state &= ~QStyle::State_Active;
}

void RomListView::SetEmptyText(const QString& text) {
    emptyText_ = text;
    viewport()->update();
}

void RomListView::paintEvent(QPaintEvent* event) {
    QTableView::paintEvent(event);
    if (model_->rowCount() == 0 && !emptyText_.isEmpty()) {
        QPainter painter(viewport());
        painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
        const int margin = fontMetrics().height() / 2;
        painter.drawText(viewport()->rect().adjusted(margin, margin, -margin, -margin),
                         Qt::AlignCenter | Qt::TextWordWrap, emptyText_);
    }
    if (!hasFocus()) return;
    // The focus frame: a dotted line around the current row, or around the
    // whole list when no row is current.
    QRect frame = viewport()->rect();
    const QModelIndex current = currentIndex();
    if (current.isValid() && !isRowHidden(current.row())) {
        frame = QRect(columnViewportPosition(0), rowViewportPosition(current.row()),
                      horizontalHeader()->length(), rowHeight(current.row()));
    }
    const bool onSelection = current.isValid() && selectionModel()->isSelected(current);
    QPainter painter(viewport());
    QPen pen(palette().color(onSelection ? QPalette::HighlightedText : QPalette::Text));
    pen.setStyle(Qt::DotLine);
    painter.setPen(pen);
    painter.drawRect(frame.adjusted(0, 0, -1, -1));
}

int RomListView::SelectedRow() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (rows.isEmpty()) return -1;
    int first = rows.first().row();
    for (const QModelIndex& i : rows) first = std::min(first, i.row());
    return first;
}

void RomListView::SelectRow(int row) {
    if (row < 0 || row >= model_->rowCount()) return;
    selectionModel()->setCurrentIndex(
        model_->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void RomListView::mousePressEvent(QMouseEvent* event) {
    const int row = indexAt(event->position().toPoint()).row();
    QTableView::mousePressEvent(event);
    if (event->button() == Qt::RightButton) emit RightClicked(row);
}

void RomListView::mouseDoubleClickEvent(QMouseEvent* event) {
    const int row = indexAt(event->position().toPoint()).row();
    if (event->button() == Qt::RightButton) {
        emit RightDoubleClicked(row);
        return;
    }
    QTableView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && row != -1) emit LeftDoubleClicked(row);
}

void RomListView::mouseMoveEvent(QMouseEvent* event) {
    QTableView::mouseMoveEvent(event);
    const QModelIndex at = indexAt(event->position().toPoint());
    const QModelIndex item = at.isValid() ? at.siblingAtColumn(0) : QModelIndex();
    if (hoverItem_ != item) {
        hoverItem_ = item;
        if (!item.isValid()) {
            hoverTimer_.stop();
        } else {
            hoverTimer_.start();
        }
    }
}

void RomListView::HoverTimeout() {
    // The row the mouse rested on, wherever a scan has moved it since; a
    // removed row selects nothing.
    if (hoverItem_.isValid() && hoverItem_.row() != SelectedRow()) SelectRow(hoverItem_.row());
}

bool RomListView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Leave) {
        hoverItem_ = QPersistentModelIndex();
        hoverTimer_.stop();
    }
    return QTableView::viewportEvent(event);
}

void RomListView::keyPressEvent(QKeyEvent* event) {
    bool handled = false;
    emit KeyPressed(event, &handled);
    if (handled) {
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void RomListView::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    emit FocusGained();
}

void RomListView::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    emit FocusLost();
}

}  // namespace zorvex::app
