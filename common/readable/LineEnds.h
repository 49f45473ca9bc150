#pragma once

#include <QByteArrayView>
#include <QString>

// The text with CR LF line ends turned into LF, in one pass.
QString WithLfLineEnds(QString text);

// A line without its line end (LF, CR LF, or none at the end of the text).
QByteArrayView WithoutLineEnd(QByteArrayView line);
