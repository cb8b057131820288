#include "ui/common/StaticText.h"

#include <QPainter>

CStaticText::CStaticText(QWidget* parent) : QWidget(parent) {}

void CStaticText::SetText(const QString& text) {
    m_text = text;
    update();
}

void CStaticText::SetWordWrap(bool wrap) {
    m_wordWrap = wrap;
    update();
}

int CStaticText::TextFlags() const {
    return Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs | (m_wordWrap ? Qt::TextWordWrap : 0);
}

QSize CStaticText::TextSize(int maxTextWidth) const {
    const QRect bounds =
        fontMetrics().boundingRect(QRect(0, 0, maxTextWidth, 100000), TextFlags(), m_text);
    return bounds.size() + QSize(2 * margin, 2 * margin);
}

void CStaticText::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), backColour);
    painter.setPen(textColour);
    painter.drawText(rect().adjusted(margin, margin, -margin, -margin), TextFlags(), m_text);
}
