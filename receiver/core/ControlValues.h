#pragma once

#include <QString>

// What the service reads from the control window at the moment it needs a
// value; the window implements it, tests fake it.
class ControlValues {
public:
    virtual ~ControlValues() = default;
    virtual QString PortText() const = 0;
    virtual QString FolderText() const = 0;
    // Check box values: 0 off, 1 on, 2 grayed (counts as off).
    virtual int DialogSwitch() const = 0;
    virtual int SoundSwitch() const = 0;
    virtual QString WavFileText() const = 0;
};
