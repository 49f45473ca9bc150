#pragma once

#include <QCommandLineOption>
#include <QIODevice>
#include <QString>

// "--print FILE": the readable form of a message file on standard output,
// in UTF-8, with no display and no settings file.
QCommandLineOption PrintOption();

// Writes the readable form of the message file at path to out: status 0.
// A file that cannot be read gives a message on err and status 1.
int PrintReadableForm(const QString& path, QIODevice& out, QIODevice& err);
