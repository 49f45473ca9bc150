#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The whole message file as stored, read anew at every call; nothing when
// it is missing or cannot be opened or read.
std::optional<QByteArray> ReadMessageBytes(const QString& path);
