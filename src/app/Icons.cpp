#include "Icons.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <functional>

namespace {

// Every picture is drawn on a 16-unit grid and scaled, so both sizes share one design.
using Drawing = std::function<void(QPainter&)>;

QPixmap Render(const Drawing& draw, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    draw(p);
    return pixmap;
}

QIcon MakeIcon(const Drawing& draw) {
    QIcon icon;
    for (int size : {16, 24, 32})
        icon.addPixmap(Render(draw, size));
    return icon;
}

QPen Outline(const QColor& c, double width = 1.0) {
    return QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

const QColor Ink(0x33, 0x3a, 0x44);
const QColor Paper(0xfa, 0xfb, 0xfd);
const QColor Red(0xd8, 0x2c, 0x2c);
const QColor Gold(0xf2, 0xb8, 0x1c);
const QColor Green(0x2f, 0xa8, 0x46);
const QColor Blue(0x2a, 0x6c, 0xd6);

void Sheet(QPainter& p, double x, double y, double w, double h) {
    p.setPen(Outline(Ink));
    p.setBrush(Paper);
    p.drawRect(QRectF(x, y, w, h));
    p.setPen(Outline(QColor(0x9a, 0xa4, 0xb0), 0.8));
    for (double ly = y + 3; ly < y + h - 1.5; ly += 2.5)
        p.drawLine(QPointF(x + 2, ly), QPointF(x + w - 2, ly));
}

void Arrow(QPainter& p, QPointF from, QPointF to, const QColor& c, double width = 1.8) {
    p.setPen(Outline(c, width));
    p.drawLine(from, to);
    const double angle = std::atan2(to.y() - from.y(), to.x() - from.x());
    const double head = 3.2;
    for (double side : {-0.6, 0.6})
        p.drawLine(to, to - QPointF(head * std::cos(angle + side), head * std::sin(angle + side)));
}

void Plus(QPainter& p, QPointF c, double r, const QColor& colour) {
    p.setPen(Outline(colour, 2.0));
    p.drawLine(c - QPointF(r, 0), c + QPointF(r, 0));
    p.drawLine(c - QPointF(0, r), c + QPointF(0, r));
}

void Star(QPainter& p, QPointF c, double r, const QColor& fill) {
    QPainterPath path;
    for (int i = 0; i < 10; ++i) {
        const double a = -M_PI / 2 + i * M_PI / 5;
        const double rr = (i % 2) ? r * 0.45 : r;
        const QPointF pt = c + QPointF(rr * std::cos(a), rr * std::sin(a));
        i ? path.lineTo(pt) : path.moveTo(pt);
    }
    path.closeSubpath();
    p.setPen(Outline(fill.darker(150), 0.8));
    p.setBrush(fill);
    p.drawPath(path);
}

void CircleArrow(QPainter& p, const QColor& c) {
    p.setPen(Outline(c, 1.9));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(2.5, 2.5, 11, 11), 60 * 16, 280 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPolygon(QPolygonF({QPointF(9.2, 0.8), QPointF(13.6, 3.6), QPointF(9.0, 6.4)}));
}

void Circle(QPainter& p, const QColor& fill, const QString& letter) {
    p.setPen(Outline(fill.darker(140)));
    p.setBrush(fill);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(10);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(1.5, 1.5, 13, 13), Qt::AlignCenter, letter);
}

void Gear(QPainter& p) {
    QPainterPath path;
    const QPointF c(8, 8);
    for (int i = 0; i < 16; ++i) {
        const double a = i * M_PI / 8;
        const double r = (i % 2) ? 5.2 : 7.2;
        const QPointF pt = c + QPointF(r * std::cos(a), r * std::sin(a));
        i ? path.lineTo(pt) : path.moveTo(pt);
    }
    path.closeSubpath();
    path.addEllipse(c, 2.2, 2.2);
    p.setPen(Outline(Ink, 0.8));
    p.setBrush(QColor(0x8d, 0x99, 0xa8));
    p.drawPath(path);
}

void Person(QPainter& p, QPointF at, const QColor& c) {
    p.setPen(Outline(c.darker(150), 0.8));
    p.setBrush(c);
    p.drawEllipse(QRectF(at.x() + 2.5, at.y(), 5, 5));
    QPainterPath body;
    body.moveTo(at + QPointF(0, 14));
    body.quadTo(at + QPointF(0, 6), at + QPointF(5, 6));
    body.quadTo(at + QPointF(10, 6), at + QPointF(10, 14));
    body.closeSubpath();
    p.drawPath(body);
}

void Padlock(QPainter& p, QPointF at, const QColor& c) {
    p.setPen(Outline(c.darker(160), 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(at.x() + 1.5, at.y(), 5, 6), 0, 180 * 16);
    p.drawLine(at + QPointF(1.5, 3), at + QPointF(1.5, 4));
    p.drawLine(at + QPointF(6.5, 3), at + QPointF(6.5, 4));
    p.setPen(Outline(c.darker(160), 0.8));
    p.setBrush(c);
    p.drawRoundedRect(QRectF(at.x(), at.y() + 3.8, 8, 5.4), 1, 1);
}

// A small server tower; the row icons put a version mark over its lower right corner.
void Server(QPainter& p) {
    p.setPen(Outline(Ink, 0.9));
    p.setBrush(QColor(0xc9, 0xd0, 0xd9));
    p.drawRoundedRect(QRectF(1.5, 1.5, 8, 13), 1.2, 1.2);
    p.setPen(Outline(QColor(0x6b, 0x76, 0x84), 0.9));
    p.drawLine(QPointF(3, 4.5), QPointF(8, 4.5));
    p.drawLine(QPointF(3, 6.5), QPointF(8, 6.5));
    p.setPen(Qt::NoPen);
    p.setBrush(Green);
    p.drawEllipse(QRectF(4.5, 10.5, 2, 2));
}

Drawing RowDrawing(int index) {
    switch (index) {
    case RowDown:
        return [](QPainter& p) {
            Server(p);
            p.setPen(Outline(Red, 2.4));
            p.drawLine(QPointF(9, 8), QPointF(14.5, 14));
            p.drawLine(QPointF(14.5, 8), QPointF(9, 14));
        };
    case RowOpen15:
    case RowOpen16:
        return [index](QPainter& p) {
            Server(p);
            const QColor c = index == RowOpen15 ? Cs15Colour() : Cs16Colour();
            p.setPen(Qt::NoPen);
            p.setBrush(c);
            p.drawPolygon(QPolygonF({QPointF(8, 8.5), QPointF(11.5, 8.5), QPointF(11.5, 6.5),
                                     QPointF(15.5, 10.8), QPointF(11.5, 15), QPointF(11.5, 13),
                                     QPointF(8, 13)}));
        };
    case RowLocked15:
    case RowLocked16:
    case RowLockedRed:
        return [index](QPainter& p) {
            Server(p);
            const QColor c = index == RowLocked15   ? Cs15Colour()
                             : index == RowLocked16 ? Cs16Colour()
                                                    : Red;
            Padlock(p, QPointF(7.5, 6.5), c);
        };
    default:
        return [](QPainter& p) { Person(p, QPointF(3, 1), QColor(0xe0, 0x8a, 0x2e)); };
    }
}

Drawing ToolDrawing(int index) {
    switch (index) {
    case ImgExport:
        return [](QPainter& p) {
            Sheet(p, 1.5, 1.5, 9, 13);
            Arrow(p, QPointF(7, 8.5), QPointF(15, 8.5), Green);
        };
    case ImgImport:
        return [](QPainter& p) {
            Sheet(p, 5.5, 1.5, 9, 13);
            Arrow(p, QPointF(0.8, 8.5), QPointF(9, 8.5), Blue);
        };
    case ImgRefresh:
        return [](QPainter& p) { CircleArrow(p, Green); };
    case ImgAutoRefresh:
        return [](QPainter& p) {
            CircleArrow(p, Blue);
            p.setPen(Outline(Ink, 1.3));
            p.drawLine(QPointF(8, 8), QPointF(8, 5.2));
            p.drawLine(QPointF(8, 8), QPointF(10.2, 9.4));
        };
    case ImgAutoJoin:
    case ImgAutoJoinAlt:
        return [index](QPainter& p) {
            const QColor c = index == ImgAutoJoin ? Blue : QColor(0xee, 0x7d, 0x14);
            Person(p, QPointF(0.5, 1.5), c);
            Arrow(p, QPointF(9, 11), QPointF(15, 11), index == ImgAutoJoin ? Green : Red, 1.6);
        };
    case ImgDelete:
        return [](QPainter& p) {
            p.setPen(Outline(Red, 2.6));
            p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
            p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
        };
    case ImgAddToFavorite:
        return [](QPainter& p) {
            Star(p, QPointF(6.5, 7.5), 6.2, Gold);
            Plus(p, QPointF(12.5, 12.5), 2.6, Green);
        };
    case ImgAddToServer:
        return [](QPainter& p) {
            Sheet(p, 1.5, 1.5, 10, 12);
            Plus(p, QPointF(12.5, 12.5), 2.6, Green);
        };
    case ImgCopy:
        return [](QPainter& p) {
            Sheet(p, 1.5, 1.5, 8.5, 10.5);
            Sheet(p, 6, 4.5, 8.5, 10.5);
        };
    case ImgFavorite:
        return [](QPainter& p) { Star(p, QPointF(8, 8.5), 7.2, Gold); };
    case ImgServerInfo:
        return [](QPainter& p) { Circle(p, Blue, QStringLiteral("i")); };
    case ImgOptions:
        return [](QPainter& p) { Gear(p); };
    case ImgMinimize:
        return [](QPainter& p) {
            p.setPen(Outline(Ink, 0.9));
            p.setBrush(QColor(0xc9, 0xd0, 0xd9));
            p.drawRect(QRectF(1.5, 12, 13, 2.5));
            Arrow(p, QPointF(8, 1.5), QPointF(8, 9.5), Blue, 2.0);
        };
    case ImgAbout:
        return [](QPainter& p) { Circle(p, Green, QStringLiteral("?")); };
    case ImgExit:
        return [](QPainter& p) {
            p.setPen(Outline(Red, 2.0));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(2.5, 3, 11, 11), 125 * 16, 290 * 16);
            p.drawLine(QPointF(8, 1.5), QPointF(8, 8));
        };
    case ImgSetName:
        return [](QPainter& p) {
            p.setPen(Outline(Ink, 0.8));
            p.setBrush(Gold);
            p.drawPolygon(QPolygonF({QPointF(3, 11), QPointF(11, 3), QPointF(13, 5), QPointF(5, 13),
                                     QPointF(2.5, 13.5)}));
            p.setBrush(Red);
            p.drawPolygon(
                QPolygonF({QPointF(10, 4), QPointF(11, 3), QPointF(13, 5), QPointF(12, 6)}));
        };
    case ImgAddPort:
        return [](QPainter& p) { Plus(p, QPointF(8, 8), 5, Green); };
    case ImgDelPort:
        return [](QPainter& p) {
            p.setPen(Outline(Red, 2.0));
            p.drawLine(QPointF(3, 8), QPointF(13, 8));
        };
    case ImgBeginRunning:
        return [](QPainter& p) {
            p.setPen(Qt::NoPen);
            p.setBrush(Blue);
            p.drawRect(QRectF(4, 3, 3, 10));
            p.drawRect(QRectF(9, 3, 3, 10));
        };
    case ImgSearchLan:
        return [](QPainter& p) {
            // A screen on its stand, and the waves of a broadcast going out from it.
            p.setPen(Outline(Ink, 0.9));
            p.setBrush(Paper);
            p.drawRect(QRectF(1.5, 7.5, 7, 5));
            p.drawLine(QPointF(5, 12.5), QPointF(5, 14.5));
            p.drawLine(QPointF(3, 14.5), QPointF(7, 14.5));
            p.setBrush(Qt::NoBrush);
            p.setPen(Outline(Green, 1.5));
            for (const double r : {3.0, 5.5, 8.0})
                p.drawArc(QRectF(6.5 - r, 8.5 - r, 2 * r, 2 * r), 10 * 16, 70 * 16);
        };
    default: // ImgBeginIdle
        return [](QPainter& p) {
            p.setPen(Outline(Green.darker(140), 0.8));
            p.setBrush(Green);
            p.drawPolygon(QPolygonF({QPointF(4, 2.5), QPointF(13.5, 8), QPointF(4, 13.5)}));
        };
    }
}

Drawing TrayDrawing(bool alternate) {
    return [alternate](QPainter& p) {
        const QColor c = alternate ? QColor(0xee, 0x7d, 0x14) : Blue;
        p.setPen(Outline(c.darker(150), 0.9));
        p.setBrush(c);
        p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
        p.setPen(Outline(Qt::white, 1.9));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(3.5, 3, 8.5, 8.5));
        p.drawLine(QPointF(9.5, 9.5), QPointF(13, 13));
    };
}

} // namespace

ImageList MakeImageList1() {
    ImageList list;
    for (int i = 0; i < ToolImageCount; ++i)
        list.append(MakeIcon(ToolDrawing(i)));
    return list;
}

ImageList MakeImageList2() {
    ImageList list;
    for (int i = 0; i < RowImageCount; ++i)
        list.append(MakeIcon(RowDrawing(i)));
    return list;
}

ImageList MakeImageList3() {
    return {MakeIcon(TrayDrawing(false)), MakeIcon(TrayDrawing(true))};
}

ImageList MakeImageList4() {
    return MakeImageList1();
}

QPixmap LegendSquare(const QColor& colour, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(colour.darker(150));
    p.setBrush(colour);
    p.drawRect(0, 0, size - 1, size - 1);
    return pixmap;
}

QIcon AppIcon() {
    return MakeIcon(TrayDrawing(false));
}

QPixmap AppIconPixmap(int size) {
    return Render(TrayDrawing(false), size);
}
