#include "CharsetText.h"

#include "CharsetDetector.h"
#include "CharsetNames.h"
#include "IconvText.h"
#include "WindowsJapaneseText.h"

#include <QByteArray>

#include <algorithm>
#include <optional>

namespace {

bool IsSevenBit(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::optional<QString> TextIn(QByteArrayView bytes, QByteArrayView label)
{
    switch (DecodingOf(label)) {
    case CharsetDecoding::Windows932:
        return TextFromWindows932(bytes);
    case CharsetDecoding::WindowsIso2022Jp:
        return TextFromWindowsIso2022Jp(bytes);
    case CharsetDecoding::WindowsEucJp:
        return TextFromWindowsEucJp(bytes);
    case CharsetDecoding::Iconv:
        break;
    }
    if (CharsetKey(label) == "utf8") {
        return QString::fromUtf8(bytes);
    }
    return IconvText(bytes, label.toByteArray().constData());
}

qsizetype Replacements(const QString& text)
{
    return text.count(QChar::ReplacementCharacter);
}

} // namespace

QString TextFromCharset(QByteArrayView bytes, QByteArrayView label)
{
    const QByteArray key = CharsetKey(label);
    if (key.isEmpty() || ((key == "usascii" || key == "ascii") && !IsSevenBit(bytes))) {
        return TextOfUnknownCharset(bytes);
    }
    const std::optional<QString> declared = TextIn(bytes, label);
    if (!declared) {
        return TextOfUnknownCharset(bytes);
    }
    const qsizetype undecodable = Replacements(*declared);
    if (undecodable * 100 <= declared->size()) {
        return *declared;
    }
    // Every byte is some character in the Western fallback, which so
    // always looks better; it is no reading of Japanese text.
    const QByteArray detectedCharset = DetectCharset(bytes);
    if (detectedCharset == WesternFallback) {
        return *declared;
    }
    QString detected = TextIn(bytes, detectedCharset).value_or(QString());
    return Replacements(detected) < undecodable ? detected : *declared;
}

QString TextOfUnknownCharset(QByteArrayView bytes)
{
    if (IsSevenBit(bytes) && !bytes.contains('\x1b')) {
        return QString::fromLatin1(bytes);
    }
    return TextIn(bytes, DetectCharset(bytes)).value_or(QString::fromUtf8(bytes));
}
