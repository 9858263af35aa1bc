#include "ui/processing.h"

#include "ui/glow.h"
#include "ui/scene.h"

ProcessingLabels::ProcessingLabels(ScreenHost &host)
    : ScreenComponent(host), m_heading(host.scene().label(u"LabelProcessing"_qs)),
      m_status(host.scene().label(u"LabelProcessingStatus"_qs)),
      m_backdrop(host.scene().image(u"ImageBackground"_qs))
{
}

void ProcessingLabels::show(const QString &heading, const QString &status)
{
    m_heading->setText(heading);
    m_status->setText(status);
    m_heading->show();
    m_status->show();
}

void ProcessingLabels::hide()
{
    m_heading->hide();
    m_status->hide();
}

void ProcessingLabels::recolor()
{
    // Over the title views the labels are not shown; their colours wait for
    // the browser screen.
    if (!glow::IsBrowserMode(browser().ScreenMode))
        return;
    for (LabelElement *label : {m_heading, m_status})
        glow::ColorCaption(label, glow::AverageUnder(m_backdrop, glow::Shrunk(label->surfaceGeometry(), 10)));
}
