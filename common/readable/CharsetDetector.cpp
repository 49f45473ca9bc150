#include "CharsetDetector.h"

#include "WindowsJapaneseText.h"

#include <unicode/ucsdet.h>

#include <algorithm>
#include <memory>

namespace {

// The detector reads this much; more only costs time on long bodies.
constexpr qsizetype SampleSize = 64 * 1024;

bool IsSevenBit(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The first SampleSize bytes, ended after a byte below 0x40, which is no
// part of a Shift_JIS or EUC-JP character: the sample cuts none in two.
QByteArrayView Sample(QByteArrayView bytes)
{
    if (bytes.size() <= SampleSize) {
        return bytes;
    }
    for (qsizetype end = SampleSize; end > 0; --end) {
        if (static_cast<unsigned char>(bytes[end - 1]) < 0x40) {
            return bytes.first(end);
        }
    }
    return bytes.first(SampleSize);
}

// Which of the two ICU's detector rates higher for the sample; the first
// when it rates neither.
const char* MoreLikely(QByteArrayView sample, const char* first, const char* second)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UCharsetDetector, decltype(&ucsdet_close)> detector(ucsdet_open(&status), ucsdet_close);
    ucsdet_setText(detector.get(), sample.data(), static_cast<int32_t>(sample.size()), &status);
    int32_t count = 0;
    const UCharsetMatch** matches = ucsdet_detectAll(detector.get(), &count, &status);
    if (U_FAILURE(status)) {
        return first;
    }
    // Matches come best first.
    for (int32_t i = 0; i < count; ++i) {
        UErrorCode nameStatus = U_ZERO_ERROR;
        const char* name = ucsdet_getName(matches[i], &nameStatus);
        if (U_SUCCESS(nameStatus) && qstricmp(name, second) == 0) {
            return second;
        }
        if (U_SUCCESS(nameStatus) && qstricmp(name, first) == 0) {
            return first;
        }
    }
    return first;
}

qsizetype Replacements(const QString& text)
{
    return text.count(QChar::ReplacementCharacter);
}

} // namespace

QByteArray DetectCharset(QByteArrayView bytes)
{
    const QByteArrayView sample = Sample(bytes);
    const bool escapes = sample.contains('\x1b');
    if (!escapes && bytes.isValidUtf8()) {
        return QByteArrayLiteral("UTF-8");
    }
    if (escapes && IsSevenBit(sample)) {
        return QByteArrayLiteral("ISO-2022-JP");
    }
    const QString shiftJis = TextFromWindows932(sample);
    const QString eucJp = TextFromWindowsEucJp(sample);
    const qsizetype shiftJisBad = Replacements(shiftJis);
    const qsizetype eucJpBad = Replacements(eucJp);
    if (shiftJisBad == 0 && eucJpBad == 0) {
        return MoreLikely(sample, "Shift_JIS", "EUC-JP");
    }
    // A stray undecodable character does not make Japanese text Western.
    if (std::min(shiftJisBad, eucJpBad) * 100 <= std::min(shiftJis.size(), eucJp.size())) {
        return shiftJisBad <= eucJpBad ? QByteArrayLiteral("Shift_JIS") : QByteArrayLiteral("EUC-JP");
    }
    return QByteArray(WesternFallback);
}
