#pragma once

#include <QStringView>

// The polling period in milliseconds for the text of the interval box, or
// 0 for no polling. The text must be a whole number of seconds written in
// ASCII digits and nothing else; anything else (the empty text while the
// user retypes, a sign, a blank, a fraction) pauses polling. The period is
// held in 16 bits of milliseconds, so more than 65 seconds counts as 65.
int PollingIntervalMs(QStringView text);
