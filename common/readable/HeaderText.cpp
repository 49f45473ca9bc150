#include "HeaderText.h"

#include "CharsetText.h"
#include "EncodedWords.h"

#include <QByteArray>

QString UnfoldedFieldText(QByteArrayView rawValue)
{
    QByteArray unfolded;
    unfolded.reserve(rawValue.size());
    for (const char c : rawValue) {
        if (c != '\r' && c != '\n') {
            unfolded += c;
        }
    }
    return TextOfUnknownCharset(unfolded);
}

QString OnOneLine(QString text)
{
    for (QChar& c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
            c = u' ';
        }
    }
    return text;
}

QString ReadableHeaderField(QByteArrayView rawValue, qsizetype* wordsLeft)
{
    // Decoded words may hold line breaks or other controls.
    return OnOneLine(DecodeEncodedWords(UnfoldedFieldText(rawValue), wordsLeft)).trimmed();
}
