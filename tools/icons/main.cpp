// Paints the workstation's icons: flat shapes on a transparent 50 x 50 canvas, a dark
// outline and one accent colour each, so that they stay legible at 20 and 25 pixels.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>

#include <functional>

namespace {

const QColor ink(0x2b, 0x3a, 0x4a);
const QColor green(0x2e, 0x9e, 0x4f);
const QColor red(0xd0, 0x3a, 0x2f);
const QColor blue(0x2f, 0x7f, 0xd0);
const QColor amber(0xe8, 0xa3, 0x1c);
const QColor paper(0xf7, 0xf9, 0xfb);
constexpr int side = 50;

QPen pen(const QColor &colour, qreal width = 4.0)
{
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void magnifier(QPainter &p, const QPointF &centre, qreal radius)
{
    p.setPen(pen(ink, 5));
    p.setBrush(paper);
    p.drawEllipse(centre, radius, radius);
    const qreal d = radius * 0.7071;
    p.setPen(pen(ink, 7));
    p.drawLine(centre + QPointF(d + 2, d + 2), centre + QPointF(d + 13, d + 13));
}

void arrow(QPainter &p, const QColor &colour, const QPointF &tip, qreal dy)
{
    // A solid arrow pointing up (dy < 0) or down (dy > 0) from the tip.
    QPainterPath path;
    path.moveTo(tip);
    path.lineTo(tip + QPointF(-11, -dy * 11));
    path.lineTo(tip + QPointF(-5, -dy * 11));
    path.lineTo(tip + QPointF(-5, -dy * 24));
    path.lineTo(tip + QPointF(5, -dy * 24));
    path.lineTo(tip + QPointF(5, -dy * 11));
    path.lineTo(tip + QPointF(11, -dy * 11));
    path.closeSubpath();
    p.setPen(pen(ink, 2.5));
    p.setBrush(colour);
    p.drawPath(path);
}

void tray(QPainter &p)
{
    p.setPen(pen(ink, 4.5));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({QPointF(7, 32), QPointF(7, 44), QPointF(43, 44), QPointF(43, 32)}));
}

struct Icon
{
    const char *name;
    std::function<void(QPainter &)> paint;
};

const Icon icons[] = {
    {"symbol_searchDev", [](QPainter &p) {
         // A dial gauge under a magnifier.
         p.setPen(pen(ink, 3.5));
         p.setBrush(paper);
         p.drawEllipse(QPointF(19, 19), 15, 15);
         p.setPen(pen(red, 3));
         p.drawLine(QPointF(19, 19), QPointF(27, 11));
         p.setPen(pen(ink, 3));
         for (int a = 0; a < 5; ++a) {
             p.save();
             p.translate(19, 19);
             p.rotate(-135 + a * 67.5);
             p.drawLine(QPointF(0, -11), QPointF(0, -14));
             p.restore();
         }
         p.setPen(pen(ink, 6));
         p.drawLine(QPointF(31, 31), QPointF(44, 44));
     }},
    {"symbol_disconnect", [](QPainter &p) {
         // A plug and a socket pulled apart.
         p.setPen(pen(ink, 3));
         p.setBrush(QColor(0x9a, 0xa8, 0xb6));
         p.drawRoundedRect(QRectF(4, 16, 14, 18), 3, 3);
         p.drawRoundedRect(QRectF(32, 16, 14, 18), 3, 3);
         p.setPen(pen(ink, 3.5));
         p.drawLine(QPointF(18, 20), QPointF(23, 20));
         p.drawLine(QPointF(18, 30), QPointF(23, 30));
         p.drawLine(QPointF(0, 25), QPointF(4, 25));
         p.drawLine(QPointF(46, 25), QPointF(50, 25));
         p.setPen(pen(red, 4));
         p.drawLine(QPointF(22, 38), QPointF(30, 12));
     }},
    {"symbol_exit", [](QPainter &p) {
         // A door with an arrow leaving it.
         p.setPen(pen(ink, 4));
         p.setBrush(paper);
         p.drawRect(QRectF(6, 5, 22, 40));
         p.setPen(pen(red, 5));
         p.drawLine(QPointF(18, 25), QPointF(44, 25));
         p.drawLine(QPointF(44, 25), QPointF(35, 16));
         p.drawLine(QPointF(44, 25), QPointF(35, 34));
     }},
    {"symbol_update", [](QPainter &p) {
         // Two arcs chasing each other.
         p.setBrush(Qt::NoBrush);
         p.setPen(pen(blue, 5));
         const QRectF r(9, 9, 32, 32);
         p.drawArc(r, 30 * 16, 150 * 16);
         p.drawArc(r, 210 * 16, 150 * 16);
         p.setPen(pen(blue, 2));
         p.setBrush(blue);
         p.drawPolygon(QPolygonF({QPointF(39, 7), QPointF(41, 21), QPointF(28, 17)}));
         p.drawPolygon(QPolygonF({QPointF(11, 43), QPointF(9, 29), QPointF(22, 33)}));
     }},
    {"symbol_fullScreen", [](QPainter &p) {
         // Four corners pointing outwards.
         p.setPen(pen(ink, 5));
         p.setBrush(Qt::NoBrush);
         p.drawPolyline(QPolygonF({QPointF(5, 17), QPointF(5, 5), QPointF(17, 5)}));
         p.drawPolyline(QPolygonF({QPointF(33, 5), QPointF(45, 5), QPointF(45, 17)}));
         p.drawPolyline(QPolygonF({QPointF(45, 33), QPointF(45, 45), QPointF(33, 45)}));
         p.drawPolyline(QPolygonF({QPointF(17, 45), QPointF(5, 45), QPointF(5, 33)}));
         p.setPen(pen(blue, 3));
         p.drawRect(QRectF(15, 15, 20, 20));
     }},
    {"symbol_start", [](QPainter &p) {
         p.setPen(pen(ink, 3));
         p.setBrush(green);
         p.drawPolygon(QPolygonF({QPointF(12, 6), QPointF(44, 25), QPointF(12, 44)}));
     }},
    {"symbol_stop", [](QPainter &p) {
         p.setPen(pen(ink, 3));
         p.setBrush(red);
         p.drawRoundedRect(QRectF(8, 8, 34, 34), 4, 4);
     }},
    {"symbol_file_save", [](QPainter &p) {
         // A floppy disk.
         p.setPen(pen(ink, 3));
         p.setBrush(blue);
         QPainterPath body;
         body.moveTo(5, 5);
         body.lineTo(38, 5);
         body.lineTo(45, 12);
         body.lineTo(45, 45);
         body.lineTo(5, 45);
         body.closeSubpath();
         p.drawPath(body);
         p.setBrush(paper);
         p.drawRect(QRectF(13, 5, 20, 13));
         p.drawRect(QRectF(11, 27, 28, 18));
         p.setBrush(ink);
         p.drawRect(QRectF(26, 8, 4, 7));
     }},
    {"symbol_excel", [](QPainter &p) {
         // A spreadsheet with a green header.
         p.setPen(pen(ink, 3));
         p.setBrush(paper);
         p.drawRect(QRectF(5, 6, 40, 38));
         p.setBrush(green);
         p.drawRect(QRectF(5, 6, 40, 10));
         p.setPen(pen(ink, 2));
         for (qreal y : {25.0, 34.0})
             p.drawLine(QPointF(5, y), QPointF(45, y));
         for (qreal x : {18.0, 31.0})
             p.drawLine(QPointF(x, 16), QPointF(x, 44));
     }},
    {"symbol_element_add", [](QPainter &p) {
         p.setPen(pen(ink, 3));
         p.setBrush(green);
         QPainterPath plus;
         plus.addRect(QRectF(19, 6, 12, 38));
         plus.addRect(QRectF(6, 19, 38, 12));
         plus.setFillRule(Qt::WindingFill);
         p.drawPath(plus.simplified());
     }},
    {"symbol_element_remove", [](QPainter &p) {
         p.setPen(pen(ink, 3));
         p.setBrush(red);
         p.drawRect(QRectF(6, 19, 38, 12));
     }},
    {"symbol_element_edit", [](QPainter &p) {
         // A pencil.
         p.translate(25, 25);
         p.rotate(45);
         p.setPen(pen(ink, 3));
         p.setBrush(amber);
         p.drawRect(QRectF(-6, -22, 12, 30));
         p.setBrush(paper);
         p.drawPolygon(QPolygonF({QPointF(-6, 8), QPointF(6, 8), QPointF(0, 20)}));
         p.setBrush(ink);
         p.drawPolygon(QPolygonF({QPointF(-2, 16), QPointF(2, 16), QPointF(0, 20)}));
         p.setBrush(red);
         p.drawRect(QRectF(-6, -22, 12, 6));
     }},
    {"symbol_read", [](QPainter &p) {
         // Into the computer: an arrow down into a tray.
         tray(p);
         arrow(p, blue, QPointF(25, 38), 1);
     }},
    {"symbol_write", [](QPainter &p) {
         // Out to the device: an arrow up out of a tray.
         tray(p);
         arrow(p, amber, QPointF(25, 4), -1);
     }},
    {"symbol_clear", [](QPainter &p) {
         // An eraser on its baseline.
         p.setPen(pen(ink, 3));
         p.drawLine(QPointF(6, 44), QPointF(44, 44));
         p.translate(25, 24);
         p.rotate(-40);
         p.setBrush(QColor(0xf2, 0x9a, 0xb0));
         p.drawRect(QRectF(-16, -8, 20, 16));
         p.setBrush(paper);
         p.drawRect(QRectF(4, -8, 12, 16));
     }},
    {"symbol_move_left", [](QPainter &p) {
         // Points left; the other three directions are this one turned.
         p.setPen(pen(ink, 3));
         p.setBrush(blue);
         p.drawPolygon(QPolygonF({QPointF(4, 25), QPointF(22, 7), QPointF(22, 17), QPointF(45, 17),
                                  QPointF(45, 33), QPointF(22, 33), QPointF(22, 43)}));
     }},
    {"symbol_zoom_def", [](QPainter &p) {
         // Back to the whole graph: a frame inside the lens.
         magnifier(p, QPointF(20, 20), 14);
         p.setPen(pen(blue, 3));
         p.setBrush(Qt::NoBrush);
         p.drawRect(QRectF(13, 13, 14, 14));
     }},
    {"symbol_zoom_in", [](QPainter &p) {
         magnifier(p, QPointF(20, 20), 14);
         p.setPen(pen(green, 4));
         p.drawLine(QPointF(13, 20), QPointF(27, 20));
         p.drawLine(QPointF(20, 13), QPointF(20, 27));
     }},
    {"symbol_zoom_out", [](QPainter &p) {
         magnifier(p, QPointF(20, 20), 14);
         p.setPen(pen(red, 4));
         p.drawLine(QPointF(13, 20), QPointF(27, 20));
     }},
    {"symbol_search", [](QPainter &p) {
         magnifier(p, QPointF(20, 20), 14);
     }},
    {"symbol_current", [](QPainter &p) {
         // Cross hairs on the current point.
         p.setPen(pen(ink, 3.5));
         p.setBrush(Qt::NoBrush);
         p.drawEllipse(QPointF(25, 25), 15, 15);
         p.drawLine(QPointF(25, 3), QPointF(25, 15));
         p.drawLine(QPointF(25, 35), QPointF(25, 47));
         p.drawLine(QPointF(3, 25), QPointF(15, 25));
         p.drawLine(QPointF(35, 25), QPointF(47, 25));
         p.setPen(pen(red, 2));
         p.setBrush(red);
         p.drawEllipse(QPointF(25, 25), 4, 4);
     }},
    {"symbol_file_open", [](QPainter &p) {
         // An open folder.
         p.setPen(pen(ink, 3));
         p.setBrush(amber.darker(115));
         p.drawPolygon(QPolygonF({QPointF(4, 10), QPointF(17, 10), QPointF(21, 15), QPointF(40, 15),
                                  QPointF(40, 42), QPointF(4, 42)}));
         p.setBrush(amber);
         p.drawPolygon(QPolygonF({QPointF(4, 42), QPointF(12, 22), QPointF(47, 22), QPointF(40, 42)}));
     }},
};

}

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "usage: manovera-icons <folder>\n";
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.exists() && !QDir().mkpath(dir.path())) {
        err << "cannot create " << dir.path() << "\n";
        return 1;
    }
    int written = 0;
    for (const Icon &icon : icons) {
        QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            icon.paint(p);
        }
        const QString path = dir.filePath(QString::fromLatin1(icon.name) + QStringLiteral(".png"));
        if (!image.save(path, "PNG")) {
            err << "cannot write " << path << "\n";
            return 1;
        }
        ++written;
    }
    QTextStream(stdout) << written << " icons written to " << dir.path() << "\n";
    return 0;
}
