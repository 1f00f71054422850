// Draws the main window's pictures (background, light glyphs, icon) into PNG
// files. Run once when the artwork changes:
//   g++ -std=c++20 -fPIC draw_pictures.cpp $(pkg-config --cflags --libs Qt6Gui) -o draw_pictures
//   QT_QPA_PLATFORM=offscreen ./draw_pictures <assets directory>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

QImage background()
{
    QImage image(760, 560, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient sky(0, 0, 0, image.height());
    sky.setColorAt(0.0, QColor(0xE8, 0xEE, 0xF6));
    sky.setColorAt(1.0, QColor(0xB9, 0xC8, 0xDC));
    p.fillRect(image.rect(), sky);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(255, 255, 255, 70), 2));
    for (int x = -image.height(); x < image.width(); x += 28)
        p.drawLine(x, image.height(), x + image.height(), 0);
    return image;
}

void bulb(QPainter &p, const QRectF &r, bool on)
{
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c(r.center().x(), r.top() + r.height() * 0.40);
    const qreal radius = r.width() * 0.34;
    if (on) {
        QRadialGradient glow(c, radius * 1.45);
        glow.setColorAt(0.0, QColor(255, 240, 120, 200));
        glow.setColorAt(1.0, QColor(255, 240, 120, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(c, radius * 1.45, radius * 1.45);
    }
    QRadialGradient glass(c - QPointF(radius / 3, radius / 3), radius * 1.2);
    glass.setColorAt(0.0, on ? QColor(255, 255, 210) : QColor(245, 245, 245));
    glass.setColorAt(1.0, on ? QColor(250, 200, 20) : QColor(150, 150, 150));
    p.setBrush(glass);
    p.setPen(QPen(on ? QColor(170, 120, 0) : QColor(90, 90, 90), r.width() / 24.0));
    p.drawEllipse(c, radius, radius);
    const QRectF base(c.x() - radius * 0.45, c.y() + radius * 0.85, radius * 0.9, radius * 0.75);
    p.setBrush(QColor(120, 120, 130));
    p.setPen(QPen(QColor(60, 60, 70), r.width() / 32.0));
    p.drawRect(base);
    for (int i = 1; i < 3; ++i) {
        const qreal y = base.top() + base.height() * i / 3.0;
        p.drawLine(QPointF(base.left(), y), QPointF(base.right(), y));
    }
}

QImage glyph(bool on)
{
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    bulb(p, QRectF(2, 1, 28, 30), on);
    return image;
}

QImage icon()
{
    QImage image(64, 64, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(40, 70, 120));
    p.setPen(QPen(QColor(20, 30, 60), 2));
    p.drawEllipse(QRectF(2, 2, 60, 60));
    p.setPen(QPen(Qt::white, 2));
    for (int h = 0; h < 12; ++h) {
        p.save();
        p.translate(32, 32);
        p.rotate(h * 30);
        p.drawLine(0, -26, 0, -22);
        p.restore();
    }
    bulb(p, QRectF(16, 12, 32, 36), true);
    return image;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    const bool ok = background().save(dir + "/background.png") && glyph(true).save(dir + "/light_on.png")
        && glyph(false).save(dir + "/light_off.png") && icon().save(dir + "/pellmora.png");
    return ok ? 0 : 1;
}
