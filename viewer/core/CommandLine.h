#pragma once

#include <QIODevice>
#include <QStringList>

#include <optional>

// The viewer's command line. "--print FILE" writes the readable form of a
// message file to out in UTF-8; "--help" lists the options. Neither needs
// a display or the settings file. Returns the exit status when the command
// line asked for one of them, nothing when the window is to open.
std::optional<int> RunCommandLine(const QStringList& arguments, QIODevice& out, QIODevice& err);

// Writes the readable form of the message file at path to out: status 0.
// A file that cannot be read gives a message on err and status 1.
int PrintReadableForm(const QString& path, QIODevice& out, QIODevice& err);
