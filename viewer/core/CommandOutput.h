#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <optional>

// What the viewer's command-line options share: text written in UTF-8, and
// the message file they are given, or the message that it cannot be read.
void WriteText(QIODevice& device, const QString& text);
std::optional<QByteArray> ReadNamedMessageFile(const QString& path, QIODevice& err);
