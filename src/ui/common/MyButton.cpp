#include "ui/common/MyButton.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

QPainterPath RoundedPath(const QRectF& r) {
    // Angles turn the other way round than in a y-up system: a clockwise quarter from the left
    // corner point runs over the top, and so on round the rectangle.
    const qreal l = r.left(), t = r.top(), right = r.right(), b = r.bottom();
    QPainterPath path;
    path.arcMoveTo(QRectF(l, t, 8, 8), 180);
    path.arcTo(QRectF(l, t, 8, 8), 180, -90);
    path.arcTo(QRectF(right - 9, t, 8, 8), 90, -90);
    path.arcTo(QRectF(right - 9, b - 9, 8, 8), 0, -90);
    path.arcTo(QRectF(l, b - 9, 8, 8), 270, -90);
    path.closeSubpath();
    return path;
}

CMyButton::CMyButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    setAttribute(Qt::WA_Hover);
}

void CMyButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    // The frame and face of the style first, the own drawing on top of it.
    painter.drawControl(QStyle::CE_PushButtonBevel, option);
    painter.setRenderHint(QPainter::Antialiasing);

    const QRectF area = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const QColor fill = IsHot() && activeFillColour.isValid() ? activeFillColour : faceColour;
    if (fill.isValid())
        painter.fillPath(RoundedPath(area), fill);
    if (borderColour.isValid()) {
        const qreal width = BorderWidth();
        const qreal inset = width / 2;
        painter.strokePath(RoundedPath(QRectF(rect()).adjusted(inset, inset, -inset, -inset)),
                           QPen(borderColour, width));
    }
    // The focus as a dotted path inside the border, dark enough to show on the hot teal face; a
    // red one would read as an error mark.
    if (hasFocus())
        painter.strokePath(RoundedPath(area.adjusted(3, 3, -3, -3)),
                           QPen(kFocusColour, 1.0, Qt::DotLine));

    const QColor text = IsHot() && hotTextColour.isValid() ? hotTextColour : textColour;
    if (text.isValid()) {
        option.palette.setColor(QPalette::ButtonText, text);
        option.palette.setColor(QPalette::BrightText, text);
    }
    // Multi-line texts are centred as a block both ways.
    painter.drawControl(QStyle::CE_PushButtonLabel, option);
}

CKelvoraFont::CKelvoraFont(int tenthsOfPoint, const QString& face) : QFont(face) {
    setPointSizeF(tenthsOfPoint / 10.0);
}

CKelvoraButton::CKelvoraButton(int tenthsOfPoint, const QString& text, QWidget* parent)
    : CMyButton(text, parent) {
    borderColour = kBrandColour;
    activeFillColour = kBrandColour;
    textColour = kBrandColour;
    hotTextColour = Qt::black;
    setFont(CKelvoraFont(tenthsOfPoint, QStringLiteral("Arial")));
}
