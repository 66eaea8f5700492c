#pragma once

#include <QAbstractTableModel>
#include <QPersistentModelIndex>
#include <QTableView>
#include <QTimer>
#include <array>
#include <string>

#include "library/rom_list_model.h"

namespace zorvex::app {

// Shows the rows of a RomListModel (the library or the DIZavo) in a view and
// follows every change the model reports, passing its announcements on as
// Qt's begin/end calls. The model is the only store of the rows.
class RomListTableModel final : public QAbstractTableModel, public RomListObserver {
    Q_OBJECT
  public:
    explicit RomListTableModel(RomListModel& rows, QObject* parent = nullptr);
    ~RomListTableModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void RowAboutToBeInserted(int row) override;
    void RowInserted(int row) override;
    void RowAboutToBeRemoved(int row) override;
    void RowRemoved(int row) override;
    void FieldChanged(int row, int field) override;
    void AboutToReset() override;
    void Reset() override;

    RomListModel& rows() { return rows_; }

  private:
    RomListModel& rows_;
};

// A report view of seven columns with single full-row selection, grid lines,
// black on white, and the gestures of the main window's lists: left and right
// clicks and double clicks, keys, and selection of the row the mouse rests on
// for 10 ms. The selection stays visible without focus, in the inactive
// colour, and a dotted frame marks the focused list.
//
// Only the user (and the start-up work, which picks the first row) selects a
// row: when the selected row is removed nothing is selected, and rows added
// later are not selected, except in a list that follows the picked file: there
// a row rebuilt for the file of the removed selected row (a rescan replaces
// the row of a changed file) is selected again.
class RomListView final : public QTableView {
    Q_OBJECT
  public:
    RomListView(RomListModel& rows, const std::array<int, 7>& columnWidths, QWidget* parent);

    int SelectedRow() const;  // the first selected row, or -1
    void SelectRow(int row);
    // The highlight stays with the file (FileName) the user picked, through
    // the removal and rebuild of its row.
    void SetFollowsPickedFile(bool follows) { followsPickedFile_ = follows; }
    // Shown in the list while it has no rows.
    void SetEmptyText(const QString& text);
    QString emptyText() const { return emptyText_; }
    static constexpr int kHoverTimeMs = 10;

  signals:
    void LeftDoubleClicked(int row);
    void RightClicked(int row);
    void RightDoubleClicked(int row);
    // Sent before the view's own key handling; set *handled to swallow the key.
    void KeyPressed(QKeyEvent* event, bool* handled);
    void FocusGained();
    void FocusLost();
    // The highlighted row, the one Return and the digit keys act on, is now
    // `row`, or its fields changed; -1 when no row is highlighted any more.
    // Changes of the rows are looked at once per pass of the event loop; a
    // change of any other row is not reported.
    void ItemChanged(int row);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void initViewItemOption(QStyleOptionViewItem* option) const override;

  protected slots:
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;

  private:
    void HoverTimeout();
    void ScheduleSync();
    void SyncHighlight();
    int RowOfFile(const std::string& fileName) const;

    RomListTableModel* model_;
    QTimer hoverTimer_;
    // The row under the resting mouse, followed through inserts and removals.
    QPersistentModelIndex hoverItem_;
    QString emptyText_;
    QTimer syncTimer_;
    bool followsPickedFile_ = false;
    std::string pickedFile_;       // FileName of the row last selected
    bool highlightDirty_ = false;  // the selected row's fields changed
    bool reportedNone_ = true;     // -1 was the last report
};

}  // namespace zorvex::app
