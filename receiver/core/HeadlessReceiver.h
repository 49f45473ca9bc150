#pragma once

#include "ControlValues.h"
#include "ReceiverService.h"
#include "SettingsFile.h"

#include <optional>

class Clock;
class Dialogs;

// Exit statuses of the receiver run without a window.
enum HeadlessExit : int {
    HeadlessStopped = 0,        // stopped by SIGINT or SIGTERM
    HeadlessRefused = 1,        // another instance holds the program's lock, or another receiver the storage folder
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

// The receiver without a window: the settings file (written with port 2525
// and the storage folder ~/LarkspurMail when there is none), the service,
// and one event line per event on the error stream.
class HeadlessReceiver {
public:
    HeadlessReceiver(const QString& settingsPath, Dialogs& out, Clock& clock);

    // Starts the service; when it does not start, tells `out` why and
    // returns the exit status.
    std::optional<HeadlessExit> Start();
    ReceiverService& Service() { return service_; }

private:
    Dialogs& out_;
    HeadlessControls controls_;
    ReceiverService service_;
};

// The program without a window, on the QCoreApplication that exists: the
// single-instance refusal, the receiver, and a clean stop on SIGINT or
// SIGTERM. Returns the exit status.
int RunHeadless();
