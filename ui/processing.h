#pragma once
// The processing labels: the heading and status lines in the middle of the
// browser screen that show the progress and the errors of every long
// operation (start-up, database load, sync, playback).

#include "ui/screen.h"

class ImageElement;
class LabelElement;

class ProcessingLabels : public ScreenComponent
{
public:
    explicit ProcessingLabels(ScreenHost &host);

    void registerKeys(KeyDispatcher &) override {}
    void recolor() override;

    void show(const QString &heading, const QString &status);
    void hide();

    LabelElement *heading() const { return m_heading; }
    LabelElement *status() const { return m_status; }

private:
    LabelElement *m_heading;
    LabelElement *m_status;
    const ImageElement *m_backdrop; // the browser screen's, under both labels
};
