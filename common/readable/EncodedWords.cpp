#include "EncodedWords.h"

#include "CharsetNames.h"
#include "CharsetText.h"
#include "ReadingLimits.h"

#include <QByteArray>

#include <optional>

namespace {

struct EncodedWord {
    qsizetype end; // just past its "?="
    QByteArray charset;
    QByteArray bytes;
};

// Runs of printable ASCII without "?" or blanks: a word's charset and text.
qsizetype TokenEnd(const QString& text, qsizetype from)
{
    qsizetype end = from;
    while (end < text.size() && text[end].unicode() > 0x20 && text[end].unicode() < 0x7F && text[end] != u'?') {
        ++end;
    }
    return end;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

QByteArray QDecoded(QByteArrayView payload)
{
    QByteArray bytes;
    bytes.reserve(payload.size());
    for (qsizetype i = 0; i < payload.size(); ++i) {
        const char c = payload[i];
        const int high = i + 2 < payload.size() ? HexValue(payload[i + 1]) : -1;
        const int low = i + 2 < payload.size() ? HexValue(payload[i + 2]) : -1;
        if (c == '=' && high >= 0 && low >= 0) {
            bytes += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            bytes += c == '_' ? ' ' : c;
        }
    }
    return bytes;
}

// The encoded word "=?charset?B|Q?text?=" that starts at `start`, if one does.
std::optional<EncodedWord> WordAt(const QString& text, qsizetype start)
{
    const qsizetype charsetEnd = TokenEnd(text, start + 2);
    if (charsetEnd == start + 2 || charsetEnd + 2 >= text.size() || text[charsetEnd] != u'?' ||
        text[charsetEnd + 2] != u'?') {
        return std::nullopt;
    }
    const QChar encoding = text[charsetEnd + 1].toUpper();
    const qsizetype payloadEnd = TokenEnd(text, charsetEnd + 3);
    if ((encoding != u'B' && encoding != u'Q') || payloadEnd + 1 >= text.size() || text[payloadEnd] != u'?' ||
        text[payloadEnd + 1] != u'=') {
        return std::nullopt;
    }
    QByteArray charset = text.sliced(start + 2, charsetEnd - start - 2).toLatin1();
    if (const qsizetype language = charset.indexOf('*'); language >= 0) {
        charset.truncate(language); // RFC 2231 "charset*language"
    }
    const QByteArray payload = text.sliced(charsetEnd + 3, payloadEnd - charsetEnd - 3).toLatin1();
    return EncodedWord{payloadEnd + 2, charset, encoding == u'B' ? QByteArray::fromBase64(payload) : QDecoded(payload)};
}

bool IsBlank(QStringView text)
{
    for (const QChar c : text) {
        if (c != u' ' && c != u'\t') {
            return false;
        }
    }
    return true;
}

qsizetype WordsFrom(const QString& text, qsizetype start)
{
    qsizetype words = 0;
    while (start >= 0) {
        const std::optional<EncodedWord> word = WordAt(text, start);
        words += word ? 1 : 0;
        start = text.indexOf(u"=?", word ? word->end : start + 1);
    }
    return words;
}

} // namespace

QString DecodeEncodedWords(const QString& text, qsizetype* wordsLeft)
{
    if (wordsLeft) {
        *wordsLeft = 0;
    }
    qsizetype words = 0;
    QString decoded;
    decoded.reserve(text.size());
    QByteArray runCharset;
    QByteArray runKey;
    QByteArray runBytes;
    bool inRun = false;
    const auto endRun = [&] {
        if (inRun) {
            decoded += TextFromCharset(runBytes, runCharset);
            runBytes.clear();
            inRun = false;
        }
    };
    qsizetype done = 0; // text before it is decoded
    for (qsizetype start = text.indexOf(u"=?"); start >= 0;) {
        const std::optional<EncodedWord> word = WordAt(text, start);
        if (!word) {
            start = text.indexOf(u"=?", start + 1);
            continue;
        }
        if (words == MaxEncodedWords) {
            endRun();
            if (wordsLeft) {
                *wordsLeft = WordsFrom(text, start);
            }
            return decoded;
        }
        ++words;
        const QStringView between = QStringView(text).sliced(done, start - done);
        if (!inRun || !IsBlank(between)) {
            endRun();
            decoded += between;
        }
        const QByteArray key = CharsetKey(word->charset);
        if (inRun && key != runKey) {
            endRun();
        }
        if (!inRun) {
            runCharset = word->charset;
            runKey = key;
            inRun = true;
        }
        runBytes += word->bytes;
        done = word->end;
        start = text.indexOf(u"=?", done);
    }
    endRun();
    decoded += QStringView(text).sliced(done);
    return decoded;
}
