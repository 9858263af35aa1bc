// Screen elements as they reach the surface: a label's text and glow, drawn
// through the caches that keep frames cheap, must land where the label is,
// at any scale of the surface, and follow a change of text or colour, also
// when a view on screen and a picture of the surface both draw the label.

#include "ui/elements.h"

#include <QGraphicsScene>
#include <QGraphicsView>
#include <QImage>
#include <QPainter>
#include <QTest>

namespace {

// The box of the pixels brighter than the dark background.
QRect brightBox(const QImage &image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) > 160)
                box |= QRect(x, y, 1, 1);
    return box;
}

// Pixels of the text in `color`'s hue: strongly red, or strongly blue.
int pixelsOf(const QImage &image, Qt::GlobalColor color)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            const bool red = qRed(p) > 160 && qGreen(p) < 60 && qBlue(p) < 60;
            const bool blue = qBlue(p) > 160 && qRed(p) < 60 && qGreen(p) < 60;
            n += (color == Qt::red ? red : blue) ? 1 : 0;
        }
    }
    return n;
}

QImage render(QGraphicsScene &scene, const QSize &size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    QPainter painter(&image);
    scene.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)), scene.sceneRect(), Qt::IgnoreAspectRatio);
    return image;
}

} // namespace

class TestElements : public QObject
{
    Q_OBJECT
private slots:
    void labelTextLandsInPlace_data()
    {
        QTest::addColumn<bool>("glow");
        QTest::addColumn<QSize>("surface");
        QTest::newRow("plain 1:1") << false << QSize(400, 200);
        QTest::newRow("glow 1:1") << true << QSize(400, 200);
        QTest::newRow("glow scaled up") << true << QSize(800, 400);
        QTest::newRow("glow stretched") << true << QSize(600, 200);
    }
    void labelTextLandsInPlace()
    {
        QFETCH(bool, glow);
        QFETCH(QSize, surface);
        QGraphicsScene scene(0, 0, 400, 200);
        auto *label = new LabelElement(u"LabelTest"_qs, QRectF(100, 50, 200, 60), nullptr);
        scene.addItem(label);
        label->setColor(Qt::white);
        label->setText(u"Cinevue"_qs);
        if (glow)
            label->setGlow(QColor(Qt::white));

        const QRect box = brightBox(render(scene, surface));
        QVERIFY2(!box.isEmpty(), "the label's text was not drawn");
        const double sx = surface.width() / 400.0;
        const double sy = surface.height() / 200.0;
        const QRect labelArea = QRectF(100 * sx, 50 * sy, 200 * sx, 60 * sy).toAlignedRect().adjusted(-12, -12, 12, 12);
        QVERIFY2(labelArea.contains(box), qPrintable(u"text drawn outside the label: %1,%2 %3x%4"_qs.arg(box.x())
                                                         .arg(box.y()).arg(box.width()).arg(box.height())));

        // A new text is drawn, not the cached old one.
        const QImage before = render(scene, surface);
        label->setText(u"Cinevue Cinevue"_qs);
        QVERIFY(render(scene, surface) != before);
    }

    void labelColourReachesEveryPicture_data()
    {
        QTest::addColumn<bool>("glow");
        QTest::addColumn<qreal>("viewScale");
        QTest::newRow("plain, view 1:1") << false << 1.0;
        QTest::newRow("plain, view scaled down") << false << 0.5;
        QTest::newRow("glow, view scaled down") << true << 0.5;
    }
    void labelColourReachesEveryPicture()
    {
        QFETCH(bool, glow);
        QFETCH(qreal, viewScale);
        QGraphicsScene scene(0, 0, 400, 200);
        auto *label = new LabelElement(u"LabelTest"_qs, QRectF(100, 50, 200, 60), nullptr);
        scene.addItem(label);
        label->setFont(fonts::Make(QString::fromUtf16(fonts::Arial), 40, false, true));
        label->setText(u"Cinevue"_qs);
        label->setColor(Qt::red);
        if (glow)
            label->setGlow(QColor(Qt::black));

        // The window's view draws the scene as well as the screenshots do;
        // each keeps its own picture of the label.
        QGraphicsView view(&scene);
        view.setTransform(QTransform::fromScale(viewScale, viewScale));
        view.resize(int(420 * viewScale) + 20, int(220 * viewScale) + 20);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QSize surface(400, 200);
        QVERIFY(pixelsOf(render(scene, surface), Qt::red) > 50);

        // Only the colour changes (a menu cursor moving); the view draws first.
        label->setColor(Qt::blue);
        view.viewport()->repaint();
        const QImage after = render(scene, surface);
        QCOMPARE(pixelsOf(after, Qt::red), 0);
        QVERIFY(pixelsOf(after, Qt::blue) > 50);

        // And back, drawn again by both.
        label->setColor(Qt::red);
        view.viewport()->repaint();
        QCOMPARE(pixelsOf(render(scene, surface), Qt::blue), 0);
    }
};

QTEST_MAIN(TestElements)
#include "tst_elements.moc"
