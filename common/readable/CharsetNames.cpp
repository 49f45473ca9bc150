#include "CharsetNames.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

// The labels mail and the MIME library give these charsets, as keys.
// "cp31j" is how GMime rewrites "Windows-31J".
constexpr std::array Windows932Keys = {
    std::string_view("shiftjis"),  std::string_view("sjis"),   std::string_view("xsjis"),
    std::string_view("windows31j"), std::string_view("cp31j"), std::string_view("cp932"),
    std::string_view("ms932"),      std::string_view("mskanji"), std::string_view("csshiftjis"),
    std::string_view("cswindows31j"), std::string_view("xmscp932"),
};
constexpr std::array Iso2022JpKeys = {
    std::string_view("iso2022jp"), std::string_view("csiso2022jp"), std::string_view("iso2022jp1"),
    std::string_view("iso2022jpms"), std::string_view("cp50220"),   std::string_view("cp50221"),
    std::string_view("cp50222"),
};
constexpr std::array EucJpKeys = {
    std::string_view("eucjp"),  std::string_view("xeucjp"),   std::string_view("cseucpkdfmtjapanese"),
    std::string_view("eucjpms"), std::string_view("cp51932"), std::string_view("eucjpwin"),
};

template <typename Keys>
bool Holds(const Keys& keys, const QByteArray& key)
{
    const std::string_view wanted(key.constData(), static_cast<size_t>(key.size()));
    return std::find(keys.begin(), keys.end(), wanted) != keys.end();
}

} // namespace

QByteArray CharsetKey(QByteArrayView label)
{
    QByteArray key;
    key.reserve(label.size());
    for (const char c : label) {
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
            key += c;
        } else if (c >= 'A' && c <= 'Z') {
            key += static_cast<char>(c - 'A' + 'a');
        }
    }
    return key;
}

CharsetDecoding DecodingOf(QByteArrayView label)
{
    const QByteArray key = CharsetKey(label);
    if (Holds(Windows932Keys, key)) {
        return CharsetDecoding::Windows932;
    }
    if (Holds(Iso2022JpKeys, key)) {
        return CharsetDecoding::WindowsIso2022Jp;
    }
    if (Holds(EucJpKeys, key)) {
        return CharsetDecoding::WindowsEucJp;
    }
    return CharsetDecoding::Iconv;
}
