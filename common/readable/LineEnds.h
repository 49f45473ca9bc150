#pragma once

#include <QString>

// The text with CR LF line ends turned into LF, in one pass.
QString WithLfLineEnds(QString text);
