#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

namespace zorvex::app {

// Converts the dialog units of the window templates into pixels with the base
// units of the font the window is shown in: a horizontal unit is a quarter of
// the font's average character width, a vertical unit an eighth of its height.
// So the layout keeps its proportions at any font size.
class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font);
    DialogUnits(int baseX, int baseY) : baseX_(baseX), baseY_(baseY) {}

    int X(int units) const { return (units * baseX_ + 2) / 4; }
    int Y(int units) const { return (units * baseY_ + 4) / 8; }
    QRect Rect(int x, int y, int w, int h) const { return QRect(X(x), Y(y), X(w), Y(h)); }
    QSize Size(int w, int h) const { return QSize(X(w), Y(h)); }
    int baseX() const { return baseX_; }
    int baseY() const { return baseY_; }

  private:
    int baseX_ = 6;
    int baseY_ = 13;
};

}  // namespace zorvex::app
