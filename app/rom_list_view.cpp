#include "app/rom_list_view.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

namespace zorvex::app {

namespace {
const char* const kColumnTitles[kRomFieldCount] = {
    "Name", "Size", "FileName", "CRC", "Attributes", "Screenshot", "File Attributes"};
}

RomListTableModel::RomListTableModel(RomListModel& rows, QObject* parent)
    : QAbstractTableModel(parent), rows_(rows), shownRows_(rows.Count()) {
    rows_.SetObserver(this);
}

RomListTableModel::~RomListTableModel() {
    rows_.SetObserver(nullptr);
}

int RomListTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shownRows_;
}

int RomListTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kRomFieldCount;
}

QVariant RomListTableModel::data(const QModelIndex& index, int role) const {
    // The model may already hold one row less than the view knows of while a
    // removal is being reported.
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

void RomListTableModel::RowInserted(int row) {
    beginInsertRows(QModelIndex(), row, row);
    ++shownRows_;
    endInsertRows();
}

void RomListTableModel::RowRemoved(int row) {
    beginRemoveRows(QModelIndex(), row, row);
    --shownRows_;
    endRemoveRows();
}

void RomListTableModel::FieldChanged(int row, int field) {
    const QModelIndex at = index(row, field);
    emit dataChanged(at, at);
}

void RomListTableModel::Reset() {
    beginResetModel();
    shownRows_ = rows_.Count();
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
    // Black on white, and the selection looks the same with or without focus.
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::Text, Qt::black);
    for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
        p.setColor(QPalette::Inactive, role, p.color(QPalette::Active, role));
    setPalette(p);

    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    hoverTimer_.setSingleShot(true);
    hoverTimer_.setInterval(kHoverTimeMs);
    connect(&hoverTimer_, &QTimer::timeout, this, &RomListView::HoverTimeout);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected, const QItemSelection&) {
                if (!selected.indexes().isEmpty())
                    emit ItemChanged(selected.indexes().first().row());
            });
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
    const int row = indexAt(event->position().toPoint()).row();
    if (row != hoverRow_) {
        hoverRow_ = row;
        if (row == -1) {
            hoverTimer_.stop();
        } else {
            hoverTimer_.start();
        }
    }
}

void RomListView::HoverTimeout() {
    if (hoverRow_ != -1 && hoverRow_ != SelectedRow()) SelectRow(hoverRow_);
}

bool RomListView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Leave) {
        hoverRow_ = -1;
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
