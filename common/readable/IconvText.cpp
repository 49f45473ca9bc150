#include "IconvText.h"

#include "GMimeSupport.h"

#include <QSysInfo>

#include <algorithm>
#include <cerrno>
#include <type_traits>

namespace {

const char* const Utf16 = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-16LE" : "UTF-16BE";

struct IconvClose {
    void operator()(iconv_t cd) const { g_mime_iconv_close(cd); }
};

} // namespace

std::optional<QString> IconvText(QByteArrayView bytes, const char* charset, UndecodableLength undecodable)
{
    EnsureGMime();
    iconv_t cd = g_mime_iconv_open(Utf16, charset);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    const std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvClose> closer(cd);
    // One byte gives at most one UTF-16 unit in the charsets mail uses.
    QString text(bytes.size() + 16, Qt::Uninitialized);
    qsizetype used = 0;
    const auto room = [&text, &used](qsizetype units) {
        if (text.size() - used < units) {
            text.resize(std::max(text.size() * 2, used + units));
        }
    };
    const char* in = bytes.data();
    size_t inLeft = static_cast<size_t>(bytes.size());
    // A last call with no input writes the closing shift sequence, if any.
    for (bool flushing = false;;) {
        char* out = reinterpret_cast<char*>(text.data() + used);
        size_t outLeft = static_cast<size_t>(text.size() - used) * sizeof(char16_t);
        const size_t result = flushing ? g_mime_iconv(cd, nullptr, nullptr, &out, &outLeft)
                                       : g_mime_iconv(cd, const_cast<char**>(&in), &inLeft, &out, &outLeft);
        const int error = errno;
        used = reinterpret_cast<char16_t*>(out) - reinterpret_cast<char16_t*>(text.data());
        if (result != static_cast<size_t>(-1)) {
            if (flushing) {
                break;
            }
            flushing = true;
            continue;
        }
        if (error == E2BIG) {
            room(text.size());
            continue;
        }
        room(1);
        text[used++] = QChar::ReplacementCharacter;
        if (flushing || error == EINVAL) {
            break; // the input ends inside a sequence
        }
        const qsizetype skip =
            undecodable ? undecodable(QByteArrayView(in, static_cast<qsizetype>(inLeft))) : qsizetype(1);
        in += skip;
        inLeft -= static_cast<size_t>(skip);
        if (inLeft == 0) {
            flushing = true;
        }
    }
    text.truncate(used);
    return text;
}
