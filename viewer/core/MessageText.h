#pragma once

#include <QString>

#include <optional>

// The whole message file, read anew at every call and decoded from the
// system encoding for display; nothing when it is missing or cannot be
// opened or read.
std::optional<QString> ReadMessageText(const QString& path);
