#include "HtmlEntities.h"

#include <optional>
#include <utility>

namespace {

// Longer names are not among those decoded.
constexpr qsizetype MaxReference = 10;

const std::pair<QStringView, char16_t> Named[] = {
    {u"amp", u'&'},      {u"lt", u'<'},       {u"gt", u'>'},       {u"quot", u'"'},     {u"apos", u'\''},
    {u"nbsp", 0x00A0},   {u"copy", 0x00A9},   {u"reg", 0x00AE},    {u"trade", 0x2122},  {u"hellip", 0x2026},
    {u"mdash", 0x2014},  {u"ndash", 0x2013},  {u"lsquo", 0x2018},  {u"rsquo", 0x2019},  {u"ldquo", 0x201C},
    {u"rdquo", 0x201D},  {u"sbquo", 0x201A},  {u"bdquo", 0x201E},  {u"bull", 0x2022},   {u"middot", 0x00B7},
    {u"laquo", 0x00AB},  {u"raquo", 0x00BB},  {u"yen", 0x00A5},    {u"euro", 0x20AC},   {u"pound", 0x00A3},
    {u"cent", 0x00A2},   {u"sect", 0x00A7},   {u"para", 0x00B6},   {u"deg", 0x00B0},    {u"plusmn", 0x00B1},
    {u"times", 0x00D7},  {u"divide", 0x00F7}, {u"micro", 0x00B5},  {u"shy", 0x00AD},    {u"zwnj", 0x200C},
    {u"zwj", 0x200D},    {u"ensp", 0x2002},   {u"emsp", 0x2003},   {u"thinsp", 0x2009}, {u"larr", 0x2190},
    {u"rarr", 0x2192},   {u"uarr", 0x2191},   {u"darr", 0x2193},   {u"frac12", 0x00BD}, {u"iexcl", 0x00A1},
};

std::optional<char32_t> NumericReference(QStringView digits)
{
    const bool hex = digits.startsWith(u'x') || digits.startsWith(u'X');
    bool ok = false;
    const uint code = (hex ? digits.sliced(1) : digits).toUInt(&ok, hex ? 16 : 10);
    if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return std::nullopt;
    }
    return static_cast<char32_t>(code);
}

} // namespace

QString DecodeHtmlEntities(QStringView text)
{
    QString decoded;
    decoded.reserve(text.size());
    qsizetype done = 0;
    for (qsizetype amp = text.indexOf(u'&'); amp >= 0; amp = text.indexOf(u'&', amp + 1)) {
        const qsizetype semicolon = text.sliced(amp + 1, std::min(MaxReference + 1, text.size() - amp - 1)).indexOf(u';');
        if (semicolon <= 0) {
            continue;
        }
        const QStringView name = text.sliced(amp + 1, semicolon);
        std::optional<char32_t> code;
        if (name.startsWith(u'#')) {
            code = NumericReference(name.sliced(1));
        } else {
            for (const auto& [known, character] : Named) {
                if (name == known) {
                    code = character;
                }
            }
        }
        if (!code) {
            continue;
        }
        decoded += text.sliced(done, amp - done);
        decoded += QString::fromUcs4(&*code, 1);
        done = amp + 1 + semicolon + 1;
        amp = done - 1;
    }
    decoded += text.sliced(done);
    return decoded;
}
