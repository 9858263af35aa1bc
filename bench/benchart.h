#pragma once
// Cover art for the benchmarks: a 1000 x 1400 JPEG of gradients and shapes,
// so that it does not compress to nothing and decodes like a real cover.

#include <QColor>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QString>

inline void writeArt(const QString &path, int seed)
{
    QImage img(1000, 1400, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, 1000, 1400);
    g.setColorAt(0, QColor::fromHsv((seed * 37) % 360, 200, 220));
    g.setColorAt(1, QColor::fromHsv((seed * 37 + 140) % 360, 220, 60));
    p.fillRect(img.rect(), g);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 40; ++i) {
        p.setBrush(QColor::fromHsv((seed * 13 + i * 29) % 360, 160, 200, 120));
        p.drawEllipse(QPointF((i * 211 + seed * 97) % 1000, (i * 337 + seed * 53) % 1400), 40 + i * 3, 60 + i * 2);
    }
    p.end();
    img.save(path, "JPEG", 88);
}
