#include "app/template_layout.h"

#include <QWidget>
#include <QWidgetItem>
#include <algorithm>

namespace zorvex::app {

TemplateLayout::TemplateLayout(QWidget* parent, const DialogUnits& units, QSize templateSize)
    : QLayout(parent),
      units_(units),
      minimum_(units.Size(templateSize.width(), templateSize.height())),
      preferred_(minimum_) {
    setContentsMargins(0, 0, 0, 0);
}

TemplateLayout::~TemplateLayout() {
    for (Entry& entry : entries_) delete entry.item;
}

void TemplateLayout::Add(QWidget* widget, QRect templateRect, int anchors) {
    addChildWidget(widget);
    entries_.push_back(Entry{new QWidgetItem(widget),
                             units_.Rect(templateRect.x(), templateRect.y(), templateRect.width(),
                                         templateRect.height()),
                             anchors});
    invalidate();
}

void TemplateLayout::SetPreferredSize(QSize pixels) {
    preferred_ = pixels.expandedTo(minimum_);
    invalidate();
}

void TemplateLayout::addItem(QLayoutItem* item) {
    // Items added without a place keep the one they have.
    const QRect at = item->widget() ? item->widget()->geometry() : QRect();
    entries_.push_back(Entry{item, at, Fixed});
}

QSize TemplateLayout::sizeHint() const {
    return preferred_;
}

QSize TemplateLayout::minimumSize() const {
    return minimum_;
}

void TemplateLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    const int dx = std::max(0, rect.width() - minimum_.width());
    const int dy = std::max(0, rect.height() - minimum_.height());
    for (const Entry& entry : entries_) {
        QRect r = entry.rect;
        if (entry.anchors & MoveRight) r.translate(dx, 0);
        if (entry.anchors & MoveDown) r.translate(0, dy);
        if (entry.anchors & GrowWidth) r.setWidth(r.width() + dx);
        if (entry.anchors & GrowHeight) r.setHeight(r.height() + dy);
        r.translate(rect.topLeft());
        // Straight to the widget: the template's sizes win over the widgets'
        // own size hints and policies, as in a dialog template.
        if (QWidget* widget = entry.item->widget()) {
            widget->setGeometry(r);
        } else {
            entry.item->setGeometry(r);
        }
    }
}

QLayoutItem* TemplateLayout::itemAt(int index) const {
    if (index < 0 || index >= count()) return nullptr;
    return entries_[static_cast<size_t>(index)].item;
}

QLayoutItem* TemplateLayout::takeAt(int index) {
    if (index < 0 || index >= count()) return nullptr;
    QLayoutItem* item = entries_[static_cast<size_t>(index)].item;
    entries_.erase(entries_.begin() + index);
    return item;
}

int TemplateLayout::count() const {
    return static_cast<int>(entries_.size());
}

}  // namespace zorvex::app
