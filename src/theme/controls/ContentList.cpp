#include "theme/controls/ContentList.h"

#include <utility>

ContentList::ContentList(std::function<int()> contentHeight, int minimumHeight, QWidget *parent)
    : QListView(parent), m_contentHeight(std::move(contentHeight)), m_minimumHeight(minimumHeight) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
}

void ContentList::contentChanged() {
    updateGeometry();
}

QSize ContentList::sizeHint() const {
    return {QListView::sizeHint().width(), m_contentHeight() + 2 * frameWidth()};
}

QSize ContentList::minimumSizeHint() const {
    return {0, qMin(m_minimumHeight, m_contentHeight()) + 2 * frameWidth()};
}
