#pragma once

#include <gmime/gmime.h>

#include <QByteArray>
#include <QString>

// The readable value of one header field, given unfolded and in UTF-8:
// encoded words decoded; for Content-Type and Content-Disposition, every
// parameter decoded (RFC 2231 and RFC 2047) and written as name=value.
QString ReadableHeaderValue(GMimeParserOptions* options, const char* name, const QByteArray& value);
