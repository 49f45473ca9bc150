#pragma once

#include <QByteArrayView>
#include <QLatin1StringView>
#include <QString>

// The readable value of one parameter of a Content-Type or
// Content-Disposition field, given raw as it stands in the message. RFC
// 2231 forms (charset'language'%XX, numbered continuations) win over the
// plain one; a plain value may hold encoded words or raw 8-bit bytes.
// Empty when the field has no such parameter.
QString ReadableParameter(QByteArrayView rawFieldValue, QLatin1StringView name);
