// Screen elements as they reach the surface: a label's text and glow, drawn
// through the caches that keep frames cheap, must land where the label is,
// at any scale of the surface, and follow a change of text.

#include "ui/elements.h"

#include <QGraphicsScene>
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
};

QTEST_MAIN(TestElements)
#include "tst_elements.moc"
