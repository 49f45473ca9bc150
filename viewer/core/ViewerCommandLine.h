#pragma once

#include <QCommandLineOption>
#include <QIODevice>
#include <QList>
#include <QStringList>

#include <optional>

// The viewer's options that do their work without a window or a display:
// --print and --save-attachments.
QList<QCommandLineOption> CommandLineOptions();

// Carries out the option the command line holds and returns the exit
// status (2 for a command line that cannot be read); nothing when the
// window is to open.
std::optional<int> RunCommandLine(const QStringList& arguments, QIODevice& out, QIODevice& err);
