#pragma once

#include <QAbstractTableModel>
#include <QTableView>
#include <QTimer>
#include <array>

#include "library/rom_list_model.h"

namespace zorvex::app {

// Shows the rows of a RomListModel (the library or the DIZavo) in a view and
// follows every change the model reports. The model is the only store of the
// rows; this adapter keeps only the row count the view has been told about.
class RomListTableModel final : public QAbstractTableModel, public RomListObserver {
    Q_OBJECT
  public:
    explicit RomListTableModel(RomListModel& rows, QObject* parent = nullptr);
    ~RomListTableModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void RowInserted(int row) override;
    void RowRemoved(int row) override;
    void FieldChanged(int row, int field) override;
    void Reset() override;

    RomListModel& rows() { return rows_; }

  private:
    RomListModel& rows_;
    int shownRows_ = 0;
};

// A report view of seven columns with single full-row selection, grid lines,
// black on white, selection kept visible without focus, and the gestures of
// the main window's lists: left and right clicks and double clicks, keys, and
// selection of the row the mouse rests on for 10 ms.
class RomListView final : public QTableView {
    Q_OBJECT
  public:
    RomListView(RomListModel& rows, const std::array<int, 7>& columnWidths, QWidget* parent);

    int SelectedRow() const;  // the first selected row, or -1
    void SelectRow(int row);
    RomListTableModel* tableModel() const { return model_; }
    static constexpr int kHoverTimeMs = 10;

  signals:
    void LeftDoubleClicked(int row);
    void RightClicked(int row);
    void RightDoubleClicked(int row);
    // Sent before the view's own key handling; set *handled to swallow the key.
    void KeyPressed(QKeyEvent* event, bool* handled);
    void FocusGained();
    void FocusLost();
    void ItemChanged(int row);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void HoverTimeout();

    RomListTableModel* model_;
    QTimer hoverTimer_;
    int hoverRow_ = -1;
};

}  // namespace zorvex::app
