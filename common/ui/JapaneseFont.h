#pragma once

#include <QFont>

// The design's face by name, with substitutes for machines without it.
QFont JapaneseFont(qreal pointSize);
