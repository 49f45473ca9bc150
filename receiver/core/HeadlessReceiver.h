#pragma once

#include "ControlValues.h"
#include "SettingsFile.h"

#include <functional>

class QCoreApplication;

// Exit statuses of the receiver run without a window.
enum HeadlessExit : int {
    HeadlessStopped = 0,        // stopped by SIGINT or SIGTERM
    HeadlessAlreadyRunning = 1, // another instance holds the program's lock
    HeadlessStartFailed = 2,    // the port or the storage folder did not pass
    HeadlessListenerFailed = 3, // the listener failed while running
};

// The settings as the program without a window holds them: read from the
// settings file once, never changed, never written back. Pop-up and sound
// are off whatever the file says.
class HeadlessControls : public ControlValues {
public:
    explicit HeadlessControls(ReceiverSettings settings) : settings_(std::move(settings)) {}

    QString PortText() const override { return settings_.port; }
    QString FolderText() const override { return settings_.folder; }
    int DialogSwitch() const override { return SwitchOff; }
    int SoundSwitch() const override { return SwitchOff; }
    QString WavFileText() const override { return settings_.wavFile; }

private:
    ReceiverSettings settings_;
};

// The receiver as a program without a window, on a QCoreApplication: the
// settings file beside the program (written with port 2525 and the storage
// folder ~/LarkspurMail when there is none), the start check, one event
// line per event on the error stream, and a clean stop on SIGINT or
// SIGTERM. prepare runs on the application as soon as it exists (the
// translations of Qt's own texts). Returns the exit status.
int RunHeadless(int& argc, char** argv, const std::function<void(QCoreApplication&)>& prepare = {});
