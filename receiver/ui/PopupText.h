#pragma once

#include "ArrivalNotifier.h"

#include <QByteArrayView>
#include <QString>

// The text of an arrival pop-up: the first PopupByteLimit bytes of the
// message in their readable form, as the viewer shows them, and, when the
// message is longer, a last line that says so and gives its whole size in
// bytes. Lines of more than a thousand characters are broken into lines of
// that length.
// fullSize is the message's size when `head` holds only its start.
QString PopupText(QByteArrayView head, qint64 fullSize);
