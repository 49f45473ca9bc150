#pragma once

#include <QCommandLineOption>

#include <memory>

class QCoreApplication;

// The option that runs the receiver without a window.
QCommandLineOption HeadlessOption();

// The application of the mode the command line and the environment ask
// for: a QCoreApplication, on which no widget can exist, with --headless or
// when there is no display (on X11 or Wayland systems a display must be
// named in the environment, unless a Qt platform was chosen, for example
// "offscreen"); a QApplication otherwise.
std::unique_ptr<QCoreApplication> CreateApplication(int& argc, char** argv);

// The receiver with its control window, on the QApplication that exists:
// the single-instance refusal, the window's start-up, and the event loop
// until the operator confirms the exit or SIGINT or SIGTERM stops the
// service (status 0, as without a window). Returns the exit status.
int RunWindowProgram();
