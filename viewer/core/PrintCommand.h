#pragma once

#include <QCommandLineOption>
#include <QIODevice>
#include <QStringList>

#include <optional>

// "--print FILE": the readable form of a message file on standard output,
// in UTF-8, with no display and no settings file.
QCommandLineOption PrintOption();

// Carries out --print when the command line holds it and returns the exit
// status; nothing when the window is to open.
std::optional<int> RunPrintCommand(const QStringList& arguments, QIODevice& out, QIODevice& err);

// Writes the readable form of the message file at path to out: status 0.
// A file that cannot be read gives a message on err and status 1.
int PrintReadableForm(const QString& path, QIODevice& out, QIODevice& err);
