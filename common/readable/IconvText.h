#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

// How many bytes one undecodable character takes at the start of `rest`
// (never empty); iconv only says where it stopped.
using UndecodableLength = qsizetype (*)(QByteArrayView rest);

// Text from bytes in a charset iconv knows (by its MIME or iconv name).
// Each undecodable character becomes one U+FFFD, and so does a sequence cut
// off by the end. Nothing when iconv has no such charset.
std::optional<QString> IconvText(QByteArrayView bytes, const char* charset,
                                 UndecodableLength undecodable = nullptr);
