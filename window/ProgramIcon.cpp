#include "ProgramIcon.h"

#include <QPainter>
#include <QPolygonF>

namespace varnex {

QPixmap programIconPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    // Drawn on a 16-unit grid, without smoothing, so that both sizes keep crisp edges and a
    // handful of solid colours.
    painter.scale(size / 16.0, size / 16.0);
    painter.setRenderHint(QPainter::Antialiasing, false);

    const QColor outline(0, 0, 0);
    const QColor paper(255, 255, 255);
    const QColor fold(192, 192, 192);
    const QColor text(128, 128, 128);
    const QColor arrow(0, 0, 255);
    const QColor arrowEdge(0, 0, 128);

    // The page, its top right corner folded.
    const QPolygonF page{{2, 0}, {10, 0}, {14, 4}, {14, 16}, {2, 16}};
    painter.setPen(Qt::NoPen);
    painter.setBrush(outline);
    painter.drawPolygon(page);
    const QPolygonF inside{{3, 1}, {9, 1}, {13, 5}, {13, 15}, {3, 15}};
    painter.setBrush(paper);
    painter.drawPolygon(inside);
    painter.setBrush(fold);
    painter.drawPolygon(QPolygonF{{9, 1}, {13, 5}, {9, 5}});

    // Two lines of text: the old name.
    painter.setBrush(text);
    painter.drawRect(QRectF(4, 6, 7, 1));
    painter.drawRect(QRectF(4, 8, 5, 1));

    // The arrow to the new name, across the lower part of the page.
    const QPolygonF shaft{{0, 11}, {10, 11}, {10, 9}, {15, 12.5}, {10, 16}, {10, 14}, {0, 14}};
    painter.setBrush(arrowEdge);
    painter.drawPolygon(shaft);
    const QPolygonF body{{1, 12}, {11, 12}, {11, 11}, {13.5, 12.5}, {11, 14}, {11, 13}, {1, 13}};
    painter.setBrush(arrow);
    painter.drawPolygon(body);
    return pixmap;
}

QIcon programIcon() {
    QIcon icon;
    icon.addPixmap(programIconPixmap(16));
    icon.addPixmap(programIconPixmap(32));
    return icon;
}

} // namespace varnex
