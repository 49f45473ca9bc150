#include "CharsetText.h"

#include "CharsetDetector.h"
#include "GMimeSupport.h"

#include <gmime/gmime.h>

#include <QByteArray>

#include <cerrno>
#include <cstring>

namespace {

const char Replacement[] = "\xEF\xBF\xBD";

// Windows mail labelled Shift_JIS uses the vendor extensions (circled
// numbers, roman numerals) that only CP932 holds.
const char* IconvNameFor(const char* charset)
{
    const char* name = g_mime_charset_iconv_name(charset);
    if (g_ascii_strcasecmp(name, "shift_jis") == 0 || g_ascii_strcasecmp(name, "sjis") == 0 ||
        g_ascii_strcasecmp(name, "x-sjis") == 0) {
        return "CP932";
    }
    return name;
}

bool IsAscii(QByteArrayView bytes)
{
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

bool IsAsciiName(const char* charset)
{
    const char* canon = g_mime_charset_canon_name(charset);
    return g_ascii_strcasecmp(canon, "us-ascii") == 0 || g_ascii_strcasecmp(canon, "ascii") == 0;
}

// The whole input converted; an undecodable byte is replaced and skipped,
// a sequence cut off at the end is replaced once.
bool Convert(QByteArrayView bytes, const char* charset, QByteArray& utf8)
{
    EnsureGMime();
    iconv_t cd = g_mime_iconv_open("UTF-8", IconvNameFor(charset));
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return false;
    }
    utf8.resize(bytes.size() * 2 + 16);
    qsizetype used = 0;
    const auto grow = [&utf8] { utf8.resize(utf8.size() * 2); };
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = static_cast<size_t>(bytes.size());
    while (inLeft > 0) {
        char* out = utf8.data() + used;
        size_t outLeft = static_cast<size_t>(utf8.size() - used);
        const size_t result = g_mime_iconv(cd, &in, &inLeft, &out, &outLeft);
        const int error = errno;
        used = out - utf8.data();
        if (result != static_cast<size_t>(-1)) {
            break;
        }
        if (error == E2BIG) {
            grow();
            continue;
        }
        if (utf8.size() - used < 3) {
            grow();
        }
        memcpy(utf8.data() + used, Replacement, 3);
        used += 3;
        if (error == EINVAL) {
            break; // the input ends inside a sequence
        }
        ++in;
        --inLeft;
    }
    while (true) { // the closing shift sequence, if any
        char* out = utf8.data() + used;
        size_t outLeft = static_cast<size_t>(utf8.size() - used);
        const size_t result = g_mime_iconv(cd, nullptr, nullptr, &out, &outLeft);
        const int error = errno;
        used = out - utf8.data();
        if (result == static_cast<size_t>(-1) && error == E2BIG) {
            grow();
            continue;
        }
        break;
    }
    g_mime_iconv_close(cd);
    utf8.truncate(used);
    return true;
}

} // namespace

QString TextFromCharset(QByteArrayView bytes, const char* charset)
{
    EnsureGMime();
    QByteArray utf8;
    if (charset == nullptr || *charset == '\0' || (IsAsciiName(charset) && !IsAscii(bytes)) ||
        !Convert(bytes, charset, utf8)) {
        return TextOfUnknownCharset(bytes);
    }
    return QString::fromUtf8(utf8);
}

QString TextOfUnknownCharset(QByteArrayView bytes)
{
    const QByteArray charset = DetectCharset(bytes);
    QByteArray utf8;
    if (charset == "UTF-8" || !Convert(bytes, charset.constData(), utf8)) {
        return QString::fromUtf8(bytes);
    }
    return QString::fromUtf8(utf8);
}
