#pragma once
// The 1920 x 1080 design surface and the registry of its named elements.
// Every screen adds its elements here by name; code and the script driver
// find them again by that name.

#include "ui/elements.h"

#include <QGraphicsScene>
#include <QHash>
#include <QImage>
#include <QStringList>

class Scene : public QGraphicsScene
{
    Q_OBJECT
public:
    static constexpr int kWidth = 1920;
    static constexpr int kHeight = 1080;

    explicit Scene(QObject *parent = nullptr);

    // Adds an element below `parent` (nullptr: on the surface itself). Names
    // are unique; adding a name twice is a programming error.
    LabelElement *addLabel(const QString &name, const QRectF &geometry, Element *parent = nullptr);
    ImageElement *addImage(const QString &name, const QRectF &geometry, Element *parent = nullptr);

    // Removes and deletes an element made for one showing (a list's rows),
    // with the elements below it.
    void removeElement(Element *element);

    Element *element(const QString &name) const { return m_elements.value(name); }
    // Lookups that expect the element to exist and to be of that kind.
    LabelElement *label(const QString &name) const;
    ImageElement *image(const QString &name) const;
    bool contains(const QString &name) const { return m_elements.contains(name); }

    // Element names in the order they were added.
    QStringList elementNames() const { return m_order; }

    // The whole surface at design size, as the screen shows it.
    QImage renderSurface();

private:
    void registerElement(Element *e, Element *parent);

    QHash<QString, Element *> m_elements;
    QStringList m_order;
};
