#pragma once

#include "ControlValues.h"

// The control window's values as a test sets them.
class FakeControls : public ControlValues {
public:
    QString PortText() const override { return port; }
    QString FolderText() const override { return folder; }
    int DialogSwitch() const override { return dialog; }
    int SoundSwitch() const override { return sound; }
    QString WavFileText() const override { return wavFile; }

    QString port = QStringLiteral("25");
    QString folder;
    int dialog = 0;
    int sound = 0;
    QString wavFile;
};
