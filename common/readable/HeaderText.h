#pragma once

#include <QByteArrayView>
#include <QString>

// The readable text of one header field's value, given as it stands in the
// message: folded or not, with encoded words, raw 8-bit bytes or
// ISO-2022-JP escape sequences. Raw bytes are read as a body without a
// charset is (UTF-8 when valid, ISO-2022-JP on escapes, else Shift_JIS or
// EUC-JP), then encoded words are decoded (see DecodeEncodedWords for
// `wordsLeft`). One line, trimmed.
QString ReadableHeaderField(QByteArrayView rawValue, qsizetype* wordsLeft = nullptr);

// The field's characters before encoded words are decoded: unfolded, raw
// bytes read as above.
QString UnfoldedFieldText(QByteArrayView rawValue);

// The text with every control character, line breaks included, as a blank.
QString OnOneLine(QString text);
