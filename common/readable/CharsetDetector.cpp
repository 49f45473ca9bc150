#include "CharsetDetector.h"

#include "GMimeSupport.h"

#include <unicode/ucsdet.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <memory>

namespace {

// The detector reads this much; more only costs time on long bodies.
constexpr qsizetype SampleSize = 64 * 1024;

bool IsSevenBit(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Whether iconv reads the sample without an invalid sequence; a sequence
// cut off by the end of the sample counts as valid.
bool IsValidIn(QByteArrayView sample, const char* charset)
{
    iconv_t cd = g_mime_iconv_open("UTF-8", charset);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return false;
    }
    std::array<char, 16 * 1024> scratch{};
    char* in = const_cast<char*>(sample.data());
    size_t inLeft = static_cast<size_t>(sample.size());
    bool valid = true;
    while (inLeft > 0) {
        char* out = scratch.data();
        size_t outLeft = scratch.size();
        if (g_mime_iconv(cd, &in, &inLeft, &out, &outLeft) != static_cast<size_t>(-1)) {
            break;
        }
        if (errno != E2BIG) {
            valid = errno == EINVAL;
            break;
        }
    }
    g_mime_iconv_close(cd);
    return valid;
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

} // namespace

QByteArray DetectCharset(QByteArrayView bytes)
{
    EnsureGMime();
    const QByteArrayView sample = bytes.first(std::min(bytes.size(), SampleSize));
    const bool escapes = sample.contains('\x1b');
    if (!escapes && bytes.isValidUtf8()) {
        return QByteArrayLiteral("UTF-8");
    }
    if (escapes && IsSevenBit(sample)) {
        return QByteArrayLiteral("ISO-2022-JP");
    }
    const bool shiftJis = IsValidIn(sample, "CP932");
    const bool eucJp = IsValidIn(sample, "EUC-JP");
    if (shiftJis && eucJp) {
        return MoreLikely(sample, "Shift_JIS", "EUC-JP");
    }
    if (shiftJis) {
        return QByteArrayLiteral("Shift_JIS");
    }
    if (eucJp) {
        return QByteArrayLiteral("EUC-JP");
    }
    return QByteArrayLiteral("windows-1252");
}
