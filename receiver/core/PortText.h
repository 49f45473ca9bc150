#pragma once

#include <QString>

#include <optional>

// The port number a port text spells: a whole decimal number from 1 to
// 65535, leading zeros allowed, blanks around it ignored.
std::optional<int> ParsePortText(const QString& text);
