#include "app/ButtonPicture.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace kavro::app {

QIcon ButtonPicture() {
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    // Two sheets of paper, the back one offset.
    p.setPen(QPen(QColor(90, 90, 90), 1));
    for (const QRectF& sheet : {QRectF(6.5, 1.5, 12, 15), QRectF(2.5, 4.5, 12, 15)}) {
        p.setBrush(Qt::white);
        p.drawRect(sheet);
        p.setPen(QPen(QColor(150, 150, 150), 1));
        for (double y = sheet.top() + 4; y < sheet.bottom() - 2; y += 3)
            p.drawLine(QPointF(sheet.left() + 2, y), QPointF(sheet.right() - 3, y));
        p.setPen(QPen(QColor(90, 90, 90), 1));
    }

    // Round blue badge with a circular arrow.
    const QRectF badge(11, 11, 12.5, 12.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 90, 200));
    p.drawEllipse(badge);
    p.setPen(QPen(Qt::white, 1.6));
    p.setBrush(Qt::NoBrush);
    const QRectF ring = badge.adjusted(3, 3, -3, -3);
    p.drawArc(ring, 90 * 16, 270 * 16);
    QPainterPath head;
    const QPointF tip(ring.center().x() + 0.5, ring.top());
    head.moveTo(tip + QPointF(2.6, 0));
    head.lineTo(tip + QPointF(-0.4, -2.2));
    head.lineTo(tip + QPointF(-0.4, 2.2));
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(head);
    p.end();
    return QIcon(pixmap);
}

}  // namespace kavro::app
