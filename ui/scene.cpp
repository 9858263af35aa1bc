#include "ui/scene.h"

#include <QPainter>

Scene::Scene(QObject *parent) : QGraphicsScene(0, 0, kWidth, kHeight, parent)
{
    setBackgroundBrush(Qt::black);
    setItemIndexMethod(QGraphicsScene::NoIndex); // few items, many moves
}

void Scene::registerElement(Element *e, Element *parent)
{
    Q_ASSERT_X(!m_elements.contains(e->name()), "Scene", "element name used twice");
    if (!parent)
        addItem(e);
    // Later elements lie above earlier ones among siblings, as in the design.
    e->setZValue(m_order.size());
    m_elements.insert(e->name(), e);
    m_order.append(e->name());
}

void Scene::removeElement(Element *element)
{
    if (!element)
        return;
    const auto forget = [this](Element *e) {
        m_elements.remove(e->name());
        m_order.removeOne(e->name());
    };
    for (QGraphicsItem *child : element->childItems())
        if (auto *e = dynamic_cast<Element *>(child))
            removeElement(e);
    forget(element);
    delete element;
}

LabelElement *Scene::addLabel(const QString &name, const QRectF &geometry, Element *parent)
{
    auto *e = new LabelElement(name, geometry, parent);
    registerElement(e, parent);
    return e;
}

ImageElement *Scene::addImage(const QString &name, const QRectF &geometry, Element *parent)
{
    auto *e = new ImageElement(name, geometry, parent);
    registerElement(e, parent);
    return e;
}

LabelElement *Scene::label(const QString &name) const
{
    auto *e = qobject_cast<LabelElement *>(element(name));
    Q_ASSERT_X(e, "Scene::label", qPrintable(name));
    return e;
}

ImageElement *Scene::image(const QString &name) const
{
    auto *e = qobject_cast<ImageElement *>(element(name));
    Q_ASSERT_X(e, "Scene::image", qPrintable(name));
    return e;
}

QImage Scene::renderSurface()
{
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    render(&painter, QRectF(0, 0, kWidth, kHeight), sceneRect());
    painter.end();
    return image;
}
