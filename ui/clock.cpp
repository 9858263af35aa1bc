#include "ui/clock.h"

#include "ui/glow.h"
#include "ui/scene.h"

namespace {

const ImageElement *findOnce(const Scene &scene, const ImageElement *&cached, const QString &name)
{
    if (!cached)
        cached = qobject_cast<const ImageElement *>(scene.element(name));
    return cached;
}

} // namespace

QString ClockText(const QString &longTimeText)
{
    // The fourth character is index 3: a one-digit hour's colon (index 1) is
    // passed over, so the text keeps hours and minutes.
    const qsizetype colon = longTimeText.indexOf(u':', 3);
    return colon < 0 ? QString() : longTimeText.left(colon);
}

QString LongTimeText(const QTime &time, const QLocale &locale)
{
    return locale.toString(time, QLocale::LongFormat);
}

Clock::Clock(ScreenHost &host)
    : ScreenComponent(host), m_label(host.scene().label(u"LabelClock"_qs)),
      m_browserBackdrop(host.scene().image(u"ImageBackground"_qs))
{
}

void Clock::UpdateClock(const QTime &now, const QLocale &locale)
{
    if (!host().settings().ShowClock)
        return;
    m_label->setText(ClockText(LongTimeText(now, locale)));
}

const ImageElement *Clock::backdrop() const
{
    switch (browser().ScreenMode) {
    case smPersonTitles:
    case smBoxSetTitles:
        return findOnce(host().scene(), m_gridBackdrop, u"FanArt_Image_ActorCrewDetail"_qs);
    case smFanArt:
    case smFanArtZoom:
    case smBoxSetFanArt:
    case smBoxSetZoom:
        return findOnce(host().scene(), m_fanArtBackdrop, u"ImageFanArtBackground"_qs);
    default:
        return m_browserBackdrop;
    }
}

void Clock::recolor()
{
    if (!host().settings().ShowClock)
        return;
    glow::ColorCaption(m_label, glow::AverageUnder(backdrop(), glow::Shrunk(m_label->surfaceGeometry(), 10)));
}
