// Draws the pictures delivered in data/: the six board previews (top views of
// each deck shape), the program icon and the MotoX level pictures.
//
//   make_board_previews <outdir>            board1.ppm ... board6.ppm, 75 x 190
//   make_board_previews --icons <outdir>    the program icon, vertzmod-16.png ... vertzmod-256.png
//   make_board_previews --motox <outdir>    motox1.png ... motox3.png, 170 x 130
//
// Everything is drawn at four times the size and scaled down smoothly: fine
// textures (grip tape, wood grain) then read as texture, not as noise.

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

constexpr int kSuper = 4;
constexpr int kBoardW = 75;
constexpr int kBoardH = 190;
constexpr double kPi = 3.14159265358979323846;

using Painter = std::function<void(QPainter &)>;

// Renders draw() in final-pixel units at kSuper times the size, then scales down.
QImage render(int w, int h, const Painter &draw, bool transparent = false)
{
    QImage big(w * kSuper, h * kSuper, QImage::Format_ARGB32_Premultiplied);
    big.fill(transparent ? Qt::transparent : Qt::white);
    {
        QPainter p(&big);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(kSuper, kSuper);
        draw(p);
    }
    return big.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

bool save(const QImage &image, const QString &path, const char *format, int quality = -1)
{
    if (!image.save(path, format, quality)) {
        std::fprintf(stderr, "make_board_previews: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(QDir::toNativeSeparators(path)));
    return true;
}

// ---- shared pieces of a board picture -------------------------------------

void drawBackground(QPainter &p)
{
    QLinearGradient g(0, 0, 0, kBoardH);
    g.setColorAt(0, QColor(0xf4, 0xf2, 0xee));
    g.setColorAt(1, QColor(0xdd, 0xdb, 0xd5));
    p.fillRect(QRectF(0, 0, kBoardW, kBoardH), g);
}

// A soft shadow below and right of the deck, as if lit from the top left.
void drawShadow(QPainter &p, const QPainterPath &shape, QColor color = QColor(0, 0, 0))
{
    p.save();
    p.translate(1.6, 2.2);
    for (int i = 5; i >= 1; --i) {
        color.setAlpha(10);
        p.setPen(QPen(color, i * 1.1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(shape);
    }
    color.setAlpha(45);
    p.fillPath(shape, color);
    p.restore();
}

// Grip tape: a dark base sprinkled with lighter and darker grains.
void drawGrip(QPainter &p, const QPainterPath &area, QColor base, quint32 seed, int grains = 2600)
{
    p.save();
    p.setClipPath(area, Qt::IntersectClip);
    p.fillPath(area, base);
    QRandomGenerator rng(seed);
    const QRectF r = area.boundingRect();
    p.setPen(Qt::NoPen);
    for (int i = 0; i < grains; ++i) {
        const double x = r.left() + rng.generateDouble() * r.width();
        const double y = r.top() + rng.generateDouble() * r.height();
        const int shade = rng.bounded(2) ? 255 : 0;
        p.setBrush(QColor(shade, shade, shade, 20 + rng.bounded(45)));
        const double d = 0.25 + rng.generateDouble() * 0.35;
        p.drawEllipse(QPointF(x, y), d, d);
    }
    p.restore();
}

// Light from the left, shade on the right: the deck's concave reads as curved.
void drawShading(QPainter &p, const QPainterPath &area, double strength = 1.0)
{
    const QRectF r = area.boundingRect();
    QLinearGradient g(r.left(), 0, r.right(), 0);
    g.setColorAt(0.0, QColor(255, 255, 255, int(70 * strength)));
    g.setColorAt(0.18, QColor(255, 255, 255, int(18 * strength)));
    g.setColorAt(0.55, QColor(0, 0, 0, 0));
    g.setColorAt(1.0, QColor(0, 0, 0, int(70 * strength)));
    p.fillPath(area, g);
}

// Kicked-up nose and tail catch more light.
void drawKicks(QPainter &p, const QPainterPath &area, double noseEnd, double tailStart)
{
    const QRectF r = area.boundingRect();
    p.save();
    p.setClipPath(area, Qt::IntersectClip);
    QLinearGradient nose(0, r.top(), 0, noseEnd);
    nose.setColorAt(0, QColor(255, 255, 255, 55));
    nose.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(QRectF(r.left(), r.top(), r.width(), noseEnd - r.top()), nose);
    QLinearGradient tail(0, tailStart, 0, r.bottom());
    tail.setColorAt(0, QColor(255, 255, 255, 0));
    tail.setColorAt(1, QColor(255, 255, 255, 45));
    p.fillRect(QRectF(r.left(), tailStart, r.width(), r.bottom() - tailStart), tail);
    // The bend where a kick starts.
    p.setPen(QPen(QColor(0, 0, 0, 60), 0.5));
    p.drawLine(QPointF(r.left(), noseEnd), QPointF(r.right(), noseEnd));
    p.drawLine(QPointF(r.left(), tailStart), QPointF(r.right(), tailStart));
    p.setPen(QPen(QColor(255, 255, 255, 45), 0.5));
    p.drawLine(QPointF(r.left(), noseEnd + 0.6), QPointF(r.right(), noseEnd + 0.6));
    p.drawLine(QPointF(r.left(), tailStart - 0.6), QPointF(r.right(), tailStart - 0.6));
    p.restore();
}

// The ply edge around the deck: a light wood rim with a dark outer line.
void drawEdge(QPainter &p, const QPainterPath &shape, QColor wood = QColor(0xd8, 0xb0, 0x7a))
{
    p.save();
    p.setClipPath(shape, Qt::IntersectClip);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(wood, 2.0));
    p.drawPath(shape);
    p.restore();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x3a, 0x2a, 0x1a, 200), 0.5));
    p.drawPath(shape);
}

void drawBolt(QPainter &p, QPointF c, double r = 1.3)
{
    QRadialGradient g(c - QPointF(r * 0.35, r * 0.35), r * 1.4);
    g.setColorAt(0, QColor(0xfa, 0xfa, 0xfa));
    g.setColorAt(0.6, QColor(0xa8, 0xac, 0xb2));
    g.setColorAt(1, QColor(0x55, 0x58, 0x5e));
    p.setPen(QPen(QColor(0x2a, 0x2a, 0x2a, 160), 0.3));
    p.setBrush(g);
    p.drawEllipse(c, r, r);
    // The screwdriver slot.
    p.setPen(QPen(QColor(0x30, 0x30, 0x30, 190), 0.35));
    p.drawLine(c + QPointF(-r * 0.5, 0), c + QPointF(r * 0.5, 0));
}

// Four bolts of one truck, centred on c; skip one (by index) for a worn deck.
void drawTruckBolts(QPainter &p, QPointF c, double dx = 4.0, double dy = 3.2, int missing = -1)
{
    const QPointF offsets[4] = {{-dx, -dy}, {dx, -dy}, {-dx, dy}, {dx, dy}};
    for (int i = 0; i < 4; ++i) {
        if (i == missing) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0x10, 0x10, 0x10));
            p.drawEllipse(c + offsets[i], 0.8, 0.8);
        } else {
            drawBolt(p, c + offsets[i]);
        }
    }
}

// A wheel peeking out from under the deck, seen from above.
void drawWheel(QPainter &p, QPointF c, double angleDeg, QColor color)
{
    p.save();
    p.translate(c);
    p.rotate(angleDeg);
    const QRectF r(-2.2, -3.6, 4.4, 7.2);
    QLinearGradient g(r.left(), 0, r.right(), 0);
    g.setColorAt(0, color.lighter(140));
    g.setColorAt(0.5, color);
    g.setColorAt(1, color.darker(150));
    p.setPen(QPen(color.darker(220), 0.4));
    p.setBrush(g);
    p.drawRoundedRect(r, 1.6, 1.6);
    p.restore();
}

// A classic deck outline: two full round ends.
QPainterPath popsicle(double cx, double top, double bottom, double width)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(cx - width / 2, top, width, bottom - top), width / 2, width / 2);
    return path;
}

// ---- 1: Regular deck --------------------------------------------------------

void drawRegular(QPainter &p)
{
    drawBackground(p);
    const QPainterPath deck = popsicle(37.5, 7, 183, 40);
    drawShadow(p, deck);
    drawGrip(p, deck, QColor(0x22, 0x22, 0x24), 11);
    drawKicks(p, deck, 31, 159);
    drawShading(p, deck);
    drawEdge(p, deck);
    drawTruckBolts(p, QPointF(37.5, 48));
    drawTruckBolts(p, QPointF(37.5, 142));
}

// ---- 2: Banana cruiser ----------------------------------------------------

// Centre line and half width of the banana at t in [0, 1], nose to tail.
QPointF bananaCentre(double t)
{
    return {26.0 + 20.0 * std::sin(kPi * t), 10.0 + 170.0 * t};
}

QPointF bananaNormal(double t)
{
    const double dt = 0.001;
    const QPointF d = bananaCentre(t + dt) - bananaCentre(t - dt);
    const double len = std::hypot(d.x(), d.y());
    return {-d.y() / len, d.x() / len};
}

double bananaHalfWidth(double t)
{
    return 1.2 + 14.0 * std::pow(std::sin(kPi * t), 0.55);
}

// The banana's outline, plus one of its length ridges (side in [-1, 1]).
QPainterPath bananaPath(double side0 = -1, double side1 = 1)
{
    QPainterPath path;
    const int n = 120;
    for (int i = 0; i <= n; ++i) {
        const double t = double(i) / n;
        const QPointF q = bananaCentre(t) + bananaNormal(t) * bananaHalfWidth(t) * side1;
        i == 0 ? path.moveTo(q) : path.lineTo(q);
    }
    for (int i = n; i >= 0; --i) {
        const double t = double(i) / n;
        path.lineTo(bananaCentre(t) + bananaNormal(t) * bananaHalfWidth(t) * side0);
    }
    path.closeSubpath();
    return path;
}

void drawBanana(QPainter &p)
{
    drawBackground(p);
    const QPainterPath deck = bananaPath();

    // Wheels under the deck, poking out at the sides.
    const QColor wheel(0x3d, 0xb8, 0x6a);
    for (double t : {0.2, 0.8}) {
        const QPointF c = bananaCentre(t);
        const QPointF n = bananaNormal(t);
        const QPointF d = bananaCentre(t + 0.001) - bananaCentre(t - 0.001);
        const double angle = std::atan2(-d.x(), d.y()) * 180.0 / kPi; // long side along the deck
        const double off = bananaHalfWidth(t) + 0.6;
        drawWheel(p, c + n * off, angle, wheel);
        drawWheel(p, c - n * off, angle, wheel);
    }
    drawShadow(p, deck);

    // Ripe yellow, greener toward the ends, brown at the tips.
    const QRectF r = deck.boundingRect();
    QLinearGradient body(0, r.top(), 0, r.bottom());
    body.setColorAt(0.00, QColor(0x5a, 0x3c, 0x1c));
    body.setColorAt(0.04, QColor(0xa8, 0xb8, 0x3a));
    body.setColorAt(0.16, QColor(0xf6, 0xd8, 0x2a));
    body.setColorAt(0.84, QColor(0xf8, 0xd4, 0x26));
    body.setColorAt(0.95, QColor(0xb8, 0xa8, 0x30));
    body.setColorAt(1.00, QColor(0x3a, 0x28, 0x14));
    p.fillPath(deck, body);

    // Roundness across the banana: light on the outer curve, shade inside.
    p.save();
    p.setClipPath(deck, Qt::IntersectClip);
    p.fillPath(bananaPath(0.25, 1), QColor(0xa0, 0x70, 0x00, 55));
    p.fillPath(bananaPath(-0.85, -0.35), QColor(255, 255, 230, 95));
    // Length ridges of the peel.
    p.setBrush(Qt::NoBrush);
    for (double side : {-0.5, 0.05, 0.55}) {
        QPainterPath ridge;
        for (int i = 4; i <= 116; ++i) {
            const double t = i / 120.0;
            const QPointF q = bananaCentre(t) + bananaNormal(t) * bananaHalfWidth(t) * side;
            i == 4 ? ridge.moveTo(q) : ridge.lineTo(q);
        }
        p.setPen(QPen(QColor(0xb0, 0x88, 0x10, 110), 0.45));
        p.drawPath(ridge);
    }
    // A few ripeness freckles.
    QRandomGenerator rng(22);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 26; ++i) {
        const double t = 0.15 + rng.generateDouble() * 0.7;
        const double side = rng.generateDouble() * 1.6 - 0.8;
        p.setBrush(QColor(0x6a, 0x48, 0x18, 90 + rng.bounded(80)));
        p.drawEllipse(bananaCentre(t) + bananaNormal(t) * bananaHalfWidth(t) * side,
                      0.35 + rng.generateDouble() * 0.4, 0.3 + rng.generateDouble() * 0.3);
    }
    p.restore();

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x6a, 0x50, 0x10, 220), 0.55));
    p.drawPath(deck);

    // The stem at the nose.
    const QPointF tip = bananaCentre(0.0);
    QPainterPath stem;
    stem.moveTo(tip + QPointF(-1.3, 1.5));
    stem.cubicTo(tip + QPointF(-2.0, -2.0), tip + QPointF(-3.5, -4.0), tip + QPointF(-5.5, -5.2));
    stem.lineTo(tip + QPointF(-3.8, -6.4));
    stem.cubicTo(tip + QPointF(-1.5, -4.6), tip + QPointF(0.8, -2.0), tip + QPointF(1.4, 1.5));
    stem.closeSubpath();
    p.setPen(QPen(QColor(0x2e, 0x20, 0x10), 0.4));
    p.setBrush(QColor(0x6b, 0x4a, 0x22));
    p.drawPath(stem);

    drawTruckBolts(p, bananaCentre(0.2), 2.8, 2.6);
    drawTruckBolts(p, bananaCentre(0.8), 2.8, 2.6);
}

// ---- 3: Hoverboard ----------------------------------------------------------

QPainterPath hoverPath()
{
    // A rounded board with a slight waist and bullet-shaped ends.
    const double cx = 37.5;
    QPainterPath path;
    path.moveTo(cx, 8);
    path.cubicTo(cx + 16, 8, cx + 22, 24, cx + 22, 46);
    path.cubicTo(cx + 22, 72, cx + 17, 82, cx + 17, 95);
    path.cubicTo(cx + 17, 108, cx + 22, 118, cx + 22, 144);
    path.cubicTo(cx + 22, 166, cx + 16, 182, cx, 182);
    path.cubicTo(cx - 16, 182, cx - 22, 166, cx - 22, 144);
    path.cubicTo(cx - 22, 118, cx - 17, 108, cx - 17, 95);
    path.cubicTo(cx - 17, 82, cx - 22, 72, cx - 22, 46);
    path.cubicTo(cx - 22, 24, cx - 16, 8, cx, 8);
    path.closeSubpath();
    return path;
}

void drawHoverPad(QPainter &p, QPointF c)
{
    QRadialGradient glow(c, 15);
    glow.setColorAt(0.0, QColor(0xe8, 0xff, 0xff, 255));
    glow.setColorAt(0.25, QColor(0x40, 0xe8, 0xff, 240));
    glow.setColorAt(0.7, QColor(0x20, 0x70, 0xff, 120));
    glow.setColorAt(1.0, QColor(0x20, 0x40, 0xff, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(c, 15, 15);
    p.setBrush(Qt::NoBrush);
    for (double r : {5.0, 8.5, 12.0}) {
        p.setPen(QPen(QColor(0xff, 0xff, 0xff, 150), 0.5));
        p.drawEllipse(c, r, r);
    }
}

void drawHover(QPainter &p)
{
    drawBackground(p);
    const QPainterPath deck = hoverPath();

    // The hover field: a blue-violet glow on the floor around the board.
    p.save();
    p.setBrush(Qt::NoBrush);
    for (int i = 9; i >= 1; --i) {
        p.setPen(QPen(QColor(0x50, 0x70, 0xff, 16), i * 2.0, Qt::SolidLine, Qt::RoundCap,
                      Qt::RoundJoin));
        p.drawPath(deck);
    }
    p.restore();

    // Pink body, lighter down the middle.
    const QRectF r = deck.boundingRect();
    QLinearGradient body(r.left(), 0, r.right(), 0);
    body.setColorAt(0.0, QColor(0xb0, 0x10, 0x70));
    body.setColorAt(0.3, QColor(0xff, 0x5c, 0xb8));
    body.setColorAt(0.5, QColor(0xff, 0x8c, 0xd0));
    body.setColorAt(0.7, QColor(0xff, 0x4c, 0xb0));
    body.setColorAt(1.0, QColor(0x90, 0x08, 0x5c));
    p.fillPath(deck, body);

    p.save();
    p.setClipPath(deck, Qt::IntersectClip);
    drawHoverPad(p, QPointF(37.5, 40));
    drawHoverPad(p, QPointF(37.5, 150));
    // A glowing centre stripe with chevrons pointing forward.
    QLinearGradient stripe(0, 55, 0, 135);
    stripe.setColorAt(0, QColor(0x40, 0xe8, 0xff, 0));
    stripe.setColorAt(0.5, QColor(0x40, 0xe8, 0xff, 230));
    stripe.setColorAt(1, QColor(0x40, 0xe8, 0xff, 0));
    p.fillRect(QRectF(36.2, 55, 2.6, 80), stripe);
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 3; ++i) {
        const double y = 78 + i * 8;
        QPainterPath chevron;
        chevron.moveTo(29.5, y + 4);
        chevron.lineTo(37.5, y);
        chevron.lineTo(45.5, y + 4);
        p.setPen(QPen(QColor(0xe0, 0xff, 0xff, 220 - i * 50), 1.1, Qt::SolidLine, Qt::RoundCap,
                      Qt::RoundJoin));
        p.drawPath(chevron);
    }
    // Gloss along the left side.
    QPainterPath gloss;
    gloss.addRoundedRect(QRectF(19, 20, 4, 150), 2, 2);
    p.fillPath(gloss, QColor(255, 255, 255, 70));
    p.restore();

    // Neon rim: a wide cyan glow under a thin white line.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x30, 0xd8, 0xff, 200), 1.8));
    p.drawPath(deck);
    p.setPen(QPen(QColor(0xf0, 0xff, 0xff, 230), 0.5));
    p.drawPath(deck);
}

// ---- 4: Longboard ---------------------------------------------------------

QPainterPath pintailPath()
{
    // Round nose, widest a third of the way down, then a long taper to a pin tail.
    const double cx = 37.5;
    QPainterPath path;
    path.moveTo(cx, 2.5);
    path.cubicTo(cx + 14, 2.5, cx + 22, 22, cx + 22, 52);
    path.cubicTo(cx + 22, 100, cx + 12, 150, cx + 1.2, 186.5);
    path.quadTo(cx, 188.5, cx - 1.2, 186.5);
    path.cubicTo(cx - 12, 150, cx - 22, 100, cx - 22, 52);
    path.cubicTo(cx - 22, 22, cx - 14, 2.5, cx, 2.5);
    path.closeSubpath();
    return path;
}

void drawLongboard(QPainter &p)
{
    drawBackground(p);
    const QPainterPath deck = pintailPath();
    drawShadow(p, deck);

    // Bare maple with grain running the length of the board.
    const QRectF r = deck.boundingRect();
    p.fillPath(deck, QColor(0xdc, 0xb0, 0x74));
    p.save();
    p.setClipPath(deck, Qt::IntersectClip);
    QRandomGenerator rng(44);
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 70; ++i) {
        const double x = r.left() + rng.generateDouble() * r.width();
        const double wobble = 0.6 + rng.generateDouble() * 1.8;
        const double phase = rng.generateDouble() * 6.28;
        QPainterPath grain;
        for (int y = 0; y <= 190; y += 2) {
            const QPointF q(x + wobble * std::sin(y / 23.0 + phase), y);
            y == 0 ? grain.moveTo(q) : grain.lineTo(q);
        }
        const int dark = rng.bounded(3);
        p.setPen(QPen(dark ? QColor(0x9a, 0x66, 0x30, 40 + rng.bounded(50))
                           : QColor(0xf4, 0xd4, 0xa0, 70),
                      0.25 + rng.generateDouble() * 0.4));
        p.drawPath(grain);
    }
    // A knot in the wood.
    for (int i = 0; i < 5; ++i) {
        p.setPen(QPen(QColor(0x8a, 0x58, 0x28, 90), 0.35));
        p.drawEllipse(QPointF(27, 112), 1.0 + i * 0.9, 2.6 + i * 2.1);
    }

    // Graphic: three sunset bands down the middle, fading toward the tail.
    const QColor bands[3]
        = {QColor(0x1c, 0x8c, 0x8c), QColor(0xf2, 0x8c, 0x28), QColor(0xd8, 0x38, 0x30)};
    for (int i = 0; i < 3; ++i) {
        QPainterPath band;
        const double x = 31.5 + i * 4.5;
        band.addRoundedRect(QRectF(x, 64, 3.2, 92), 1.6, 1.6);
        QLinearGradient fade(0, 64, 0, 156);
        QColor c = bands[i];
        fade.setColorAt(0, c);
        c.setAlpha(0);
        fade.setColorAt(1, c);
        p.fillPath(band, fade);
    }
    // Grip pads where the feet go.
    QPainterPath front;
    front.addRoundedRect(QRectF(20, 30, 35, 24), 5, 5);
    QPainterPath back;
    back.addRoundedRect(QRectF(27, 150, 21, 14), 4, 4);
    drawGrip(p, front.intersected(deck), QColor(0x26, 0x26, 0x28), 45, 700);
    drawGrip(p, back.intersected(deck), QColor(0x26, 0x26, 0x28), 46, 300);
    p.restore();

    drawShading(p, deck, 0.8);
    drawEdge(p, deck, QColor(0xc4, 0x92, 0x5a));
    drawTruckBolts(p, QPointF(37.5, 42));
    drawTruckBolts(p, QPointF(37.5, 157), 3.4, 3.0);
}

// ---- 5: Bum deck ----------------------------------------------------------

void drawBum(QPainter &p)
{
    drawBackground(p);
    QPainterPath deck = popsicle(37.5, 9, 181, 39);

    // Razor tail: the tail ground flat from years of dragging.
    QPainterPath worn;
    worn.addRect(QRectF(0, 176.5, kBoardW, 20));
    deck = deck.subtracted(worn);
    // Chips bitten out of the rails and nose.
    const struct {
        double x, y, rx, ry;
    } chips[] = {
        {18.5, 62, 1.8, 3.2},   {56.8, 97, 1.6, 4.5},   {18.0, 128, 1.2, 2.0},
        {29.0, 10.0, 3.0, 2.2}, {50.0, 13.5, 2.0, 2.5}, {57.0, 150, 1.3, 2.4},
        {19.5, 160, 1.6, 2.8},
    };
    for (const auto &c : chips) {
        QPainterPath bite;
        bite.addEllipse(QPointF(c.x, c.y), c.rx, c.ry);
        deck = deck.subtracted(bite);
    }
    deck = deck.simplified();
    drawShadow(p, deck);

    // Faded, scuffed grip tape.
    drawGrip(p, deck, QColor(0x4a, 0x48, 0x46), 55, 3200);
    p.save();
    p.setClipPath(deck, Qt::IntersectClip);
    // Worn-through patches show the wood underneath.
    QRandomGenerator rng(56);
    const QPointF patches[]
        = {{30, 42}, {46, 58}, {38, 90}, {27, 118}, {47, 131}, {36, 166}, {44, 22}};
    for (const QPointF &c : patches) {
        QPainterPath patch;
        const int n = 9;
        for (int i = 0; i < n; ++i) {
            const double a = 2 * kPi * i / n;
            const double rad = 2.2 + rng.generateDouble() * 3.6;
            const QPointF q = c + QPointF(std::cos(a) * rad * 0.9, std::sin(a) * rad * 1.4);
            i == 0 ? patch.moveTo(q) : patch.lineTo(q);
        }
        patch.closeSubpath();
        p.fillPath(patch, QColor(0xb8, 0x92, 0x62));
        p.setPen(QPen(QColor(0x5a, 0x40, 0x28, 140), 0.35));
        p.setBrush(Qt::NoBrush);
        p.drawPath(patch);
    }
    // Scratches across the grip.
    for (int i = 0; i < 34; ++i) {
        const QPointF a(17 + rng.generateDouble() * 41, 12 + rng.generateDouble() * 164);
        const double angle = (rng.generateDouble() - 0.5) * 1.4 + (rng.bounded(2) ? 0.0 : kPi / 2);
        const double len = 3 + rng.generateDouble() * 11;
        p.setPen(
            QPen(QColor(0xd8, 0xd0, 0xc0, 60 + rng.bounded(90)), 0.3 + rng.generateDouble() * 0.3));
        p.drawLine(a, a + QPointF(std::cos(angle) * len, std::sin(angle) * len));
    }
    // A half-peeled sticker.
    p.save();
    p.translate(41, 106);
    p.rotate(-17);
    QPainterPath sticker;
    sticker.moveTo(-6, -4);
    sticker.lineTo(6, -4);
    sticker.lineTo(6, 1);
    sticker.lineTo(2, 4);
    sticker.lineTo(-6, 4);
    sticker.closeSubpath();
    p.fillPath(sticker, QColor(0xc8, 0x3a, 0x2a));
    p.fillRect(QRectF(-4.5, -1.2, 8, 1.0), QColor(0xf0, 0xe8, 0xd8));
    QPainterPath curl;
    curl.moveTo(6, 1);
    curl.lineTo(2, 4);
    curl.lineTo(5.5, 5.5);
    curl.closeSubpath();
    p.fillPath(curl, QColor(0xf2, 0xee, 0xe6));
    p.restore();
    // A crack running in from the nose.
    QPainterPath crack;
    crack.moveTo(52, 24);
    crack.lineTo(49, 29);
    crack.lineTo(50, 33);
    crack.lineTo(46.5, 38);
    crack.lineTo(47.2, 41);
    p.setPen(QPen(QColor(0x0c, 0x08, 0x04), 0.75));
    p.drawPath(crack);
    // Dirt along the rails.
    QLinearGradient dirt(0, 0, kBoardW, 0);
    dirt.setColorAt(0.22, QColor(0x50, 0x38, 0x20, 80));
    dirt.setColorAt(0.35, QColor(0x50, 0x38, 0x20, 0));
    dirt.setColorAt(0.65, QColor(0x50, 0x38, 0x20, 0));
    dirt.setColorAt(0.78, QColor(0x50, 0x38, 0x20, 90));
    p.fillPath(deck, dirt);
    p.restore();

    drawKicks(p, deck, 32, 158);
    drawShading(p, deck, 0.8);
    drawEdge(p, deck, QColor(0xe2, 0xc4, 0x96));
    drawTruckBolts(p, QPointF(37.5, 49), 4.0, 3.2, 1);
    drawTruckBolts(p, QPointF(37.5, 141));
}

// ---- 6: Old school --------------------------------------------------------

QPainterPath oldSchoolPath()
{
    // Narrow pointed nose, wide belly, slight hips, a broad squared tail.
    const double cx = 37.5;
    QPainterPath path;
    path.moveTo(cx, 5);
    path.cubicTo(cx + 5, 6, cx + 17, 28, cx + 22, 60);
    path.cubicTo(cx + 26, 90, cx + 27, 108, cx + 24.5, 132);
    path.cubicTo(cx + 23.5, 142, cx + 25.5, 152, cx + 26.5, 164);
    path.lineTo(cx + 26.5, 179);
    path.quadTo(cx + 26.5, 185, cx + 21, 185);
    path.lineTo(cx - 21, 185);
    path.quadTo(cx - 26.5, 185, cx - 26.5, 179);
    path.lineTo(cx - 26.5, 164);
    path.cubicTo(cx - 25.5, 152, cx - 23.5, 142, cx - 24.5, 132);
    path.cubicTo(cx - 27, 108, cx - 26, 90, cx - 22, 60);
    path.cubicTo(cx - 17, 28, cx - 5, 6, cx, 5);
    path.closeSubpath();
    return path;
}

void drawOldSchool(QPainter &p)
{
    drawBackground(p);
    const QPainterPath deck = oldSchoolPath();
    drawShadow(p, deck);

    // Hot pink to purple, the loud colours of the time.
    const QRectF r = deck.boundingRect();
    QLinearGradient body(0, r.top(), 0, r.bottom());
    body.setColorAt(0, QColor(0xff, 0x2e, 0x93));
    body.setColorAt(1, QColor(0x8a, 0x2b, 0xe2));
    p.fillPath(deck, body);

    p.save();
    p.setClipPath(deck, Qt::IntersectClip);
    // Diagonal racing stripes.
    p.save();
    p.translate(37.5, 95);
    p.rotate(-32);
    const QColor stripes[3]
        = {QColor(0xff, 0xee, 0x00), QColor(0x00, 0xe5, 0xd0), QColor(0xff, 0xff, 0xff)};
    for (int i = 0; i < 3; ++i)
        p.fillRect(QRectF(-60, -9 + i * 6, 120, 3.4), stripes[i]);
    p.restore();
    // A lightning bolt down the nose.
    QPainterPath bolt;
    bolt.moveTo(41, 22);
    bolt.lineTo(30, 52);
    bolt.lineTo(38, 52);
    bolt.lineTo(32, 80);
    bolt.lineTo(47, 44);
    bolt.lineTo(39.5, 44);
    bolt.lineTo(45, 22);
    bolt.closeSubpath();
    p.setPen(QPen(QColor(0x10, 0x10, 0x10), 0.9, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(QColor(0xff, 0xee, 0x00));
    p.drawPath(bolt);
    // A checkerboard band in front of the tail.
    for (int row = 0; row < 2; ++row) {
        for (int col = 0; col < 11; ++col) {
            const QColor c = (row + col) % 2 ? QColor(0x10, 0x10, 0x10) : QColor(0xff, 0xff, 0xff);
            p.fillRect(QRectF(10 + col * 5, 122 + row * 5, 5, 5), c);
        }
    }
    // Grip only on the tail, as riders cut it then.
    QPainterPath tailGrip;
    tailGrip.addRect(QRectF(0, 158, kBoardW, 30));
    drawGrip(p, tailGrip.intersected(deck), QColor(0x22, 0x22, 0x24), 66, 600);
    p.restore();

    drawShading(p, deck, 0.9);
    drawEdge(p, deck, QColor(0xe8, 0xc8, 0x98));
    drawTruckBolts(p, QPointF(37.5, 58), 4.6, 3.4);
    drawTruckBolts(p, QPointF(37.5, 146), 4.6, 3.4);
}

// ---- icon -----------------------------------------------------------------

void drawIcon(QPainter &p, int size)
{
    // A deck on the diagonal, wheels out at the sides, on a transparent ground.
    // Outlines stay at least a pixel wide in the small sizes, where the bolts
    // would only blur, so they are left out there.
    const double pixel = 64.0 / size;
    p.translate(32, 32);
    p.rotate(-45);
    const QColor wheel(0xff, 0xc4, 0x20);
    for (double y : {-15.0, 15.0}) {
        for (double x : {-10.5, 10.5}) {
            p.save();
            p.translate(x, y);
            QLinearGradient g(-3, 0, 3, 0);
            g.setColorAt(0, wheel.lighter(130));
            g.setColorAt(1, wheel.darker(140));
            p.setPen(QPen(QColor(0x50, 0x30, 0x00), std::max(1.0, 0.8 * pixel)));
            p.setBrush(g);
            p.drawRoundedRect(QRectF(-3.2, -5, 6.4, 10), 2.5, 2.5);
            p.restore();
        }
    }
    QPainterPath deck;
    deck.addRoundedRect(QRectF(-9.5, -29, 19, 58), 9.5, 9.5);
    QLinearGradient body(-9.5, 0, 9.5, 0);
    body.setColorAt(0, QColor(0x3a, 0x8c, 0xff));
    body.setColorAt(1, QColor(0x1a, 0x3c, 0xb0));
    p.setPen(QPen(QColor(0x0a, 0x1a, 0x50), std::max(1.6, pixel)));
    p.setBrush(body);
    p.drawPath(deck);
    // A white stripe graphic and the bolts.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 230));
    p.drawRoundedRect(QRectF(-2, -11, 4, 22), 2, 2);
    if (size < 32)
        return;
    p.setBrush(QColor(0xe8, 0xe8, 0xe8));
    for (double y : {-17.0, 17.0}) {
        for (double x : {-3.5, 3.5})
            p.drawEllipse(QPointF(x, y), 1.3, 1.3);
    }
}

// ---- MotoX pictures -------------------------------------------------------

constexpr int kMotoW = 170;
constexpr int kMotoH = 130;

// Sky, a far hill, and a road running down from top left to bottom right.
void drawHillRoad(QPainter &p)
{
    QLinearGradient sky(0, 0, 0, kMotoH);
    sky.setColorAt(0, QColor(0x7e, 0xc4, 0xf0));
    sky.setColorAt(1, QColor(0xd8, 0xee, 0xfa));
    p.fillRect(QRectF(0, 0, kMotoW, kMotoH), sky);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xf0, 0xa0));
    p.drawEllipse(QPointF(140, 20), 9, 9);

    QPainterPath far;
    far.moveTo(0, 44);
    far.cubicTo(40, 30, 90, 40, 120, 52);
    far.cubicTo(140, 60, 160, 56, 170, 60);
    far.lineTo(170, 130);
    far.lineTo(0, 130);
    far.closeSubpath();
    p.fillPath(far, QColor(0x8c, 0xb8, 0x70));

    QPainterPath hill;
    hill.moveTo(0, 30);
    hill.cubicTo(50, 40, 110, 84, 170, 108);
    hill.lineTo(170, 130);
    hill.lineTo(0, 130);
    hill.closeSubpath();
    QLinearGradient grass(0, 30, 0, 130);
    grass.setColorAt(0, QColor(0x6c, 0xb0, 0x48));
    grass.setColorAt(1, QColor(0x3c, 0x80, 0x2c));
    p.fillPath(hill, grass);

    // The road: a band following the slope.
    QPainterPath road;
    road.moveTo(0, 38);
    road.cubicTo(50, 48, 110, 92, 170, 116);
    road.lineTo(170, 128);
    road.cubicTo(110, 106, 50, 62, 0, 52);
    road.closeSubpath();
    p.fillPath(road, QColor(0x5a, 0x5a, 0x60));
    QPainterPath centre;
    centre.moveTo(0, 45);
    centre.cubicTo(50, 55, 110, 99, 170, 122);
    QPen dash(QColor(0xf4, 0xf0, 0xe0), 1.0);
    dash.setDashPattern({4, 4});
    p.setPen(dash);
    p.setBrush(Qt::NoBrush);
    p.drawPath(centre);

    // A few trees on the far hill.
    for (double x : {20.0, 34.0, 118.0, 150.0}) {
        const double y = x < 100 ? 36 + x * 0.05 : 50 + (x - 100) * 0.12;
        p.setPen(QPen(QColor(0x5a, 0x3a, 0x20), 1.2));
        p.drawLine(QPointF(x, y), QPointF(x, y - 4));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x2c, 0x6c, 0x30));
        QPainterPath tree;
        tree.moveTo(x, y - 12);
        tree.lineTo(x + 4, y - 3);
        tree.lineTo(x - 4, y - 3);
        tree.closeSubpath();
        p.drawPath(tree);
    }
}

// A simple figure with a helmet: limbs are round-capped strokes.
void drawLimb(QPainter &p, QPointF a, QPointF b, QColor c, double w = 2.6)
{
    p.setPen(QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(a, b);
}

void drawHead(QPainter &p, QPointF c, QColor helmet)
{
    p.setPen(QPen(QColor(0x30, 0x20, 0x10), 0.6));
    p.setBrush(QColor(0xf0, 0xc8, 0xa0));
    p.drawEllipse(c, 3.6, 3.6);
    QPainterPath cap;
    cap.moveTo(c + QPointF(-4.0, 0.4));
    cap.arcTo(QRectF(c.x() - 4.0, c.y() - 4.2, 8.0, 8.0), 180, -180);
    cap.closeSubpath();
    p.setBrush(helmet);
    p.drawPath(cap);
}

// Slope of the road at x, to set the board along it.
double roadAngle()
{
    return std::atan2(24.0, 40.0) * 180.0 / kPi;
}

void drawLuge(QPainter &p)
{
    drawHillRoad(p);
    // Lying on the back, feet first down the hill, on a long low board.
    p.save();
    p.translate(86, 78);
    p.rotate(roadAngle());
    const QColor suit(0xd8, 0x30, 0x30);
    // The board and its wheels.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x20, 0x20, 0x20));
    for (double x : {-16.0, 10.0})
        p.drawEllipse(QPointF(x, 2.6), 2.2, 2.2);
    p.setBrush(QColor(0x30, 0x50, 0x90));
    p.drawRoundedRect(QRectF(-22, -1, 36, 3), 1.5, 1.5);
    // Body along the board, feet out in front.
    drawLimb(p, QPointF(-14, -3), QPointF(4, -3.4), suit, 4.4);                       // torso
    drawLimb(p, QPointF(4, -3.4), QPointF(21, -3.0), QColor(0x20, 0x30, 0x70), 2.8);  // legs
    drawLimb(p, QPointF(21, -3.0), QPointF(23, -6.0), QColor(0x20, 0x20, 0x20), 2.2); // shoes
    drawLimb(p, QPointF(-8, -3), QPointF(-4, 0.5), suit, 2.0); // arm at the side
    drawHead(p, QPointF(-19, -4.5), QColor(0xff, 0xd0, 0x20));
    p.restore();
    // Speed lines behind.
    p.setPen(QPen(QColor(255, 255, 255, 200), 0.8, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 3; ++i) {
        const QPointF a(66 - i * 2, 55 + i * 3.5);
        p.drawLine(a, a + QPointF(-12, -7));
    }
}

void drawSkater(QPainter &p)
{
    drawHillRoad(p);
    // Standing on a board riding down the road, crouched, arms out for balance.
    p.save();
    p.translate(86, 80);
    p.rotate(roadAngle());
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x20, 0x20, 0x20));
    for (double x : {-7.0, 7.0})
        p.drawEllipse(QPointF(x, 1.8), 1.8, 1.8);
    p.setBrush(QColor(0x9a, 0x5a, 0x20));
    p.drawRoundedRect(QRectF(-12, -1.2, 24, 2.2), 1.1, 1.1);
    p.restore();

    // The figure stands upright (gravity), feet on the tilted board.
    const QPointF board(86, 80);
    const double a = roadAngle() * kPi / 180.0;
    const QPointF along(std::cos(a), std::sin(a));
    const QPointF backFoot = board - along * 6 + QPointF(0, -1.5);
    const QPointF frontFoot = board + along * 6 + QPointF(0, -1.5);
    const QPointF hip = board + QPointF(-1, -15);
    const QPointF shoulder = hip + QPointF(2.5, -11);
    const QColor shirt(0x20, 0x90, 0xd0);
    const QColor pants(0x30, 0x30, 0x40);
    drawLimb(p, backFoot, hip + QPointF(-5, 5), pants);
    drawLimb(p, hip + QPointF(-5, 5), hip, pants);
    drawLimb(p, frontFoot, hip + QPointF(5, 6), pants);
    drawLimb(p, hip + QPointF(5, 6), hip, pants);
    drawLimb(p, hip, shoulder, shirt, 4.2);
    drawLimb(p, shoulder, shoulder + QPointF(-9, 2), shirt, 2.2);
    drawLimb(p, shoulder, shoulder + QPointF(9, -3), shirt, 2.2);
    drawHead(p, shoulder + QPointF(1.2, -5.5), QColor(0xe0, 0x30, 0x30));

    p.setPen(QPen(QColor(255, 255, 255, 200), 0.8, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 3; ++i) {
        const QPointF s(76 - i * 1.5, 56 + i * 5);
        p.drawLine(s, s + QPointF(-12, -7));
    }
}

int usage()
{
    std::fprintf(stderr,
                 "usage: make_board_previews <outdir>           board1.ppm ... board6.ppm\n"
                 "       make_board_previews --icons <outdir>   the program icon in each size\n"
                 "       make_board_previews --motox <outdir>   motox1.png ... motox3.png\n");
    return 2;
}

bool ensureFolder(const QString &dir)
{
    if (QDir().mkpath(dir))
        return true;
    std::fprintf(stderr, "make_board_previews: cannot create %s\n", qPrintable(dir));
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv); // finds the image format plugins
    const QStringList args = app.arguments().mid(1);

    if (args.size() == 2 && args[0] == QLatin1String("--icons")) {
        const QDir out(args[1]);
        if (!ensureFolder(out.path()))
            return 1;
        // The sizes desktops and icon themes ask for; the design is drawn on 64 x 64.
        for (int size : {16, 24, 32, 48, 64, 128, 256}) {
            const auto scaled = [size](QPainter &p) {
                p.scale(size / 64.0, size / 64.0);
                drawIcon(p, size);
            };
            if (!save(render(size, size, scaled, true),
                      out.filePath(QStringLiteral("vertzmod-%1.png").arg(size)), "PNG"))
                return 1;
        }
        return 0;
    }

    if (args.size() == 2 && args[0] == QLatin1String("--motox")) {
        const QDir out(args[1]);
        if (!ensureFolder(out.path()))
            return 1;
        QImage blank(1, 1, QImage::Format_ARGB32);
        blank.fill(Qt::transparent);
        const bool ok
            = save(render(kMotoW, kMotoH, drawLuge).convertToFormat(QImage::Format_RGB32),
                   out.filePath(QStringLiteral("motox1.png")), "PNG")
              && save(render(kMotoW, kMotoH, drawSkater).convertToFormat(QImage::Format_RGB32),
                      out.filePath(QStringLiteral("motox2.png")), "PNG")
              && save(blank, out.filePath(QStringLiteral("motox3.png")), "PNG");
        return ok ? 0 : 1;
    }

    if (args.size() != 1 || args[0].startsWith(QLatin1Char('-')))
        return usage();

    const QDir out(args[0]);
    if (!ensureFolder(out.path()))
        return 1;
    const Painter boards[6]
        = {drawRegular, drawBanana, drawHover, drawLongboard, drawBum, drawOldSchool};
    for (int i = 0; i < 6; ++i) {
        const QImage image
            = render(kBoardW, kBoardH, boards[i]).convertToFormat(QImage::Format_RGB32);
        // The previews keep the look of JPEG pictures of quality 90, stored
        // decoded: a start shows one without a decoder.
        QBuffer jpeg;
        jpeg.open(QIODevice::WriteOnly);
        QImage decoded;
        if (!image.save(&jpeg, "JPEG", 90) || !decoded.loadFromData(jpeg.data(), "JPEG")) {
            std::fprintf(stderr, "make_board_previews: no JPEG support\n");
            return 1;
        }
        if (!save(decoded.convertToFormat(QImage::Format_RGB888),
                  out.filePath(QStringLiteral("board%1.ppm").arg(i + 1)), "PPM"))
            return 1;
    }
    return 0;
}
