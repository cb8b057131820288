#include "graphs/Logos.h"

#include "graphs/Brand.h"

#include <QPainter>
#include <QPainterPath>

namespace {

// The mark: a rounded square with two arcs, like a splint seen from above, touching at the
// bite line. size is the edge length in pixels.
void DrawMark(QPainter& painter, const QRectF& box, const QColor& colour) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = box.width();
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawRoundedRect(box, s * 0.22, s * 0.22);
    QPen pen(Qt::white, qMax<qreal>(1.2, s * 0.09), Qt::SolidLine, Qt::RoundCap);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const QRectF upper(box.left() + s * 0.2, box.top() + s * 0.2, s * 0.6, s * 0.56);
    painter.drawArc(upper, 0, 180 * 16);
    const QRectF lower(box.left() + s * 0.2, box.top() + s * 0.24, s * 0.6, s * 0.56);
    painter.drawArc(lower, 180 * 16, 180 * 16);
    painter.restore();
}

// The mark followed by the word "Kelvora", filling an image of the given size.
QImage WordMark(QSize size, const QColor& colour, const QColor& background) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(background);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const qreal h = size.height();
    DrawMark(painter, QRectF(1, 1, h - 2, h - 2), colour);
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    font.setPixelSize(qRound(h * 0.72));
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(QRectF(h + h * 0.2, 0, size.width() - h * 1.2, h),
                     Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Kelvora"));
    return image;
}

} // namespace

QImage Logo90x20() {
    return WordMark(QSize(90, 20), kBrandColour, Qt::transparent);
}

QImage Logo200x45() {
    return WordMark(QSize(200, 45), kBrandColour, Qt::transparent);
}

QImage KelvoraLogo() {
    QColor pale = kBrandColour;
    pale.setAlpha(60);
    return WordMark(QSize(220, 50), pale, Qt::transparent);
}

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        DrawMark(painter, QRectF(0, 0, size, size), kBrandColour);
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}
