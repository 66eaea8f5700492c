#include "app/dialog_units.h"

#include <QFontMetrics>

namespace zorvex::app {

DialogUnits::DialogUnits(const QFont& font) {
    QFontMetrics metrics(font);
    // The average width over the 52 letters, rounded, as dialog templates define it.
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseX_ = (letters / 26 + 1) / 2;
    baseY_ = metrics.height();
    if (baseX_ < 1) baseX_ = 1;
    if (baseY_ < 1) baseY_ = 1;
}

}  // namespace zorvex::app
