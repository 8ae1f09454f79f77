#include "widgets/KavenIcons.h"

#include "settings/KavenVariables405.h"

#include <QFont>
#include <QHash>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <functional>
#include <numbers>

namespace {

using Painter = std::function<void(QPainter&)>;

// Every picture is drawn on a 16 by 16 grid and scaled, so both sizes come from one drawing.
QPixmap render(const Painter& paint, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(size / 16.0, size / 16.0);
    paint(p);
    return pixmap;
}

QIcon makeIcon(const Painter& paint)
{
    QIcon icon;
    for (int size : {16, 24, 32, 48})
        icon.addPixmap(render(paint, size));
    return icon;
}

void paintMachine(QPainter& p)
{
    p.setPen(QPen(QColor(60, 60, 70), 0.8));
    p.setBrush(QColor(205, 205, 210));
    p.drawRoundedRect(QRectF(1.5, 1.5, 13, 9.5), 1, 1);
    QLinearGradient screen(0, 3, 0, 10);
    screen.setColorAt(0, QColor(90, 160, 230));
    screen.setColorAt(1, QColor(30, 90, 170));
    p.setPen(Qt::NoPen);
    p.setBrush(screen);
    p.drawRect(QRectF(3, 3, 10, 6.5));
    p.setBrush(QColor(120, 120, 130));
    p.drawRect(QRectF(6.5, 11, 3, 2));
    p.setPen(QPen(QColor(60, 60, 70), 0.8));
    p.setBrush(QColor(190, 190, 195));
    p.drawRoundedRect(QRectF(3.5, 12.8, 9, 2), 0.8, 0.8);
}

void paintFolder(QPainter& p, bool open)
{
    const QColor edge(170, 120, 20);
    p.setPen(QPen(edge, 0.8));
    p.setBrush(QColor(236, 190, 80));
    QPainterPath back;
    back.moveTo(1.5, 3.5);
    back.lineTo(6, 3.5);
    back.lineTo(7.5, 5);
    back.lineTo(14.5, 5);
    back.lineTo(14.5, 13.5);
    back.lineTo(1.5, 13.5);
    back.closeSubpath();
    p.drawPath(back);
    QLinearGradient front(0, 6, 0, 14);
    front.setColorAt(0, QColor(255, 226, 130));
    front.setColorAt(1, QColor(246, 200, 90));
    p.setBrush(front);
    if (open) {
        p.setBrush(QColor(255, 255, 255));
        p.setPen(QPen(QColor(150, 150, 150), 0.6));
        p.drawRect(QRectF(3.5, 4.5, 9, 6));
        p.setPen(QPen(edge, 0.8));
        p.setBrush(front);
        QPainterPath flap;
        flap.moveTo(3.5, 7.5);
        flap.lineTo(15.5, 7.5);
        flap.lineTo(13, 13.5);
        flap.lineTo(1.5, 13.5);
        flap.closeSubpath();
        p.drawPath(flap);
    } else {
        p.drawRect(QRectF(1.5, 6.5, 13, 7));
    }
}

void paintLabel(QPainter& p, const QString& text, const QColor& colour)
{
    p.setPen(QPen(QColor(120, 120, 130), 0.8));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(1.5, 2.5, 13, 11), 1.5, 1.5);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(8);
    font.setBold(true);
    p.setFont(font);
    p.setPen(colour);
    p.drawText(QRectF(1.5, 2.5, 13, 11), Qt::AlignCenter, text);
}

void paintStar(QPainter& p)
{
    QPainterPath star;
    for (int i = 0; i < 10; ++i) {
        const double r = i % 2 == 0 ? 7.2 : 3.0;
        const double a = -std::numbers::pi / 2 + i * std::numbers::pi / 5;
        const QPointF pt(8 + r * std::cos(a), 8.6 + r * std::sin(a));
        i == 0 ? star.moveTo(pt) : star.lineTo(pt);
    }
    star.closeSubpath();
    QLinearGradient fill(0, 1, 0, 15);
    fill.setColorAt(0, QColor(255, 236, 110));
    fill.setColorAt(1, QColor(240, 170, 20));
    p.setPen(QPen(QColor(180, 110, 0), 0.8));
    p.setBrush(fill);
    p.drawPath(star);
}

void paintMarker(QPainter& p)
{
    p.setPen(QPen(QColor(90, 60, 40), 1.2));
    p.drawLine(QPointF(3.5, 1.5), QPointF(3.5, 15));
    QPainterPath flag;
    flag.moveTo(4, 2);
    flag.lineTo(14, 2);
    flag.lineTo(11.5, 5.5);
    flag.lineTo(14, 9);
    flag.lineTo(4, 9);
    flag.closeSubpath();
    p.setPen(QPen(QColor(150, 20, 20), 0.7));
    p.setBrush(QColor(220, 40, 40));
    p.drawPath(flag);
}

void paintKey(QPainter& p, const QColor& metal, const QColor& edge)
{
    p.setPen(QPen(edge, 0.8));
    p.setBrush(metal);
    QPainterPath key;
    key.addEllipse(QPointF(4.8, 8), 3.3, 3.3);
    key.addRect(QRectF(7.5, 7, 7, 2));
    key.addRect(QRectF(11.5, 9, 1.5, 2.5));
    key.addRect(QRectF(13.2, 9, 1.3, 2));
    p.drawPath(key.simplified());
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(4.2, 8), 1.1, 1.1);
}

void paintApplication(QPainter& p)
{
    QLinearGradient back(0, 0, 16, 16);
    back.setColorAt(0, QColor(60, 130, 210));
    back.setColorAt(1, QColor(20, 60, 130));
    p.setPen(Qt::NoPen);
    p.setBrush(back);
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
    // A small tree of keys behind the key.
    p.setPen(QPen(QColor(200, 225, 255), 0.7));
    p.drawLine(QPointF(3, 2.5), QPointF(3, 6));
    p.drawLine(QPointF(3, 4), QPointF(6, 4));
    p.drawLine(QPointF(3, 6), QPointF(6, 6));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 214, 90));
    p.drawRect(QRectF(6.2, 3.3, 2, 1.4));
    p.drawRect(QRectF(6.2, 5.3, 2, 1.4));
    p.save();
    p.translate(1.5, 4.5);
    p.scale(0.85, 0.85);
    paintKey(p, QColor(250, 205, 70), QColor(150, 100, 10));
    p.restore();
}

Painter painterOf(int imageNumber)
{
    using namespace KavenIcons;
    switch (imageNumber) {
    case Machine:
        return paintMachine;
    case KeyClosed:
        return [](QPainter& p) { paintFolder(p, false); };
    case KeyOpen:
        return [](QPainter& p) { paintFolder(p, true); };
    case StringValue:
        return [](QPainter& p) { paintLabel(p, QStringLiteral("ab"), QColor(190, 30, 30)); };
    case DwordValue:
        return [](QPainter& p) { paintLabel(p, QStringLiteral("0x"), QColor(20, 70, 180)); };
    case OtherValue:
        return [](QPainter& p) { paintLabel(p, QStringLiteral("01"), QColor(20, 130, 70)); };
    case Favorite:
        return paintStar;
    case Marker:
        return paintMarker;
    default:
        return {};
    }
}

} // namespace

namespace KavenIcons {

QIcon icon(int imageNumber)
{
    static QHash<int, QIcon> cache;
    const auto it = cache.constFind(imageNumber);
    if (it != cache.constEnd())
        return it.value();
    const Painter paint = painterOf(imageNumber);
    const QIcon result = paint ? makeIcon(paint) : QIcon();
    cache.insert(imageNumber, result);
    return result;
}

QIcon applicationIcon()
{
    static const QIcon icon = [] {
        QIcon result = makeIcon(paintApplication);
        result.addPixmap(render(paintApplication, 64));
        result.addPixmap(render(paintApplication, 128));
        return result;
    }();
    return icon;
}

QPixmap splashPicture()
{
    QPixmap pixmap(420, 240);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient back(0, 0, 0, 240);
    back.setColorAt(0, QColor(40, 100, 180));
    back.setColorAt(1, QColor(15, 45, 100));
    p.fillRect(pixmap.rect(), back);
    p.drawPixmap(28, 56, render(paintApplication, 128));
    QFont title = p.font();
    title.setPixelSize(34);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRect(180, 60, 230, 60), Qt::AlignLeft | Qt::AlignVCenter, KavenVariables405::ProgramTitle);
    QFont sub = p.font();
    sub.setPixelSize(15);
    sub.setBold(false);
    p.setFont(sub);
    p.setPen(QColor(210, 225, 245));
    p.drawText(QRect(182, 120, 230, 50), Qt::AlignLeft | Qt::TextWordWrap,
               QStringLiteral("Editor für die Registrierung"));
    p.setPen(QColor(160, 185, 220));
    p.drawText(QRect(182, 200, 230, 24), Qt::AlignLeft, KavenVariables405::CompanyWord);
    p.setPen(QPen(QColor(255, 255, 255, 90), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    return pixmap;
}

} // namespace KavenIcons
