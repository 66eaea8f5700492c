#pragma once

#include <QLayout>
#include <QRect>
#include <vector>

#include "app/dialog_units.h"

namespace zorvex::app {

// Places widgets at the rectangles of a window template, given in dialog
// units, and shares the room beyond the template's size among them: a widget
// may grow with the extra width or height, or move right or down by it. The
// template's size is the minimum, so the window can grow but never shrinks
// below the layout it was drawn for.
class TemplateLayout final : public QLayout {
  public:
    enum Anchor : int {
        Fixed = 0,
        GrowWidth = 1,
        GrowHeight = 2,
        MoveRight = 4,
        MoveDown = 8,
    };

    TemplateLayout(QWidget* parent, const DialogUnits& units, QSize templateSize);
    ~TemplateLayout() override;

    void Add(QWidget* widget, QRect templateRect, int anchors = Fixed);
    // The size the window opens with (never below the template's size).
    void SetPreferredSize(QSize pixels);

    void addItem(QLayoutItem* item) override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override;

  private:
    struct Entry {
        QLayoutItem* item;
        QRect rect;  // pixels, at the template's size
        int anchors;
    };
    DialogUnits units_;
    QSize minimum_;
    QSize preferred_;
    std::vector<Entry> entries_;
};

}  // namespace zorvex::app
