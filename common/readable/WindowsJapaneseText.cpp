#include "WindowsJapaneseText.h"

#include "IconvText.h"

#include <QByteArray>

#include <algorithm>

namespace {

using uchar = unsigned char;

bool Between(uchar byte, uchar first, uchar last)
{
    return byte >= first && byte <= last;
}

qsizetype Windows932Undecodable(QByteArrayView rest)
{
    const auto lead = static_cast<uchar>(rest[0]);
    if ((Between(lead, 0x81, 0x9F) || Between(lead, 0xE0, 0xFC)) && rest.size() > 1) {
        const auto trail = static_cast<uchar>(rest[1]);
        if (Between(trail, 0x40, 0x7E) || Between(trail, 0x80, 0xFC)) {
            return 2;
        }
    }
    return 1;
}

// Only whole three-byte JIS X 0212 sequences are converted with it.
qsizetype EucJpMsUndecodable(QByteArrayView rest)
{
    return std::min<qsizetype>(rest.size(), 3);
}

QString TextFromEucJpMs(QByteArrayView bytes)
{
    return IconvText(bytes, "EUC-JP-MS", EucJpMsUndecodable).value_or(QString(QChar::ReplacementCharacter));
}

// Characters gathered as CP932 bytes (JIS X 0208 rows mapped the way
// Shift_JIS maps them), or as eucJP-ms bytes for JIS X 0212, which CP932
// lacks; each run is converted at once.
class WindowsJisText {
public:
    // No input byte gives more than one and a half bytes here.
    explicit WindowsJisText(qsizetype size) : pending_(size + size / 2 + 4, Qt::Uninitialized) {}

    // ASCII, or a CP932 single byte.
    void Byte(char byte)
    {
        Into(Run::Windows932);
        pending_[used_++] = byte;
    }

    void Kana(uchar jis) { Byte(static_cast<char>(jis | 0x80)); }

    // Row and cell as sent (0x21 to 0x7E each).
    void Jis0208(uchar first, uchar second)
    {
        Into(Run::Windows932);
        const int row = first - 0x20;
        const int cell = second - 0x20;
        pending_[used_++] = static_cast<char>((row + 1) / 2 + (row <= 62 ? 0x80 : 0xC0));
        if (row % 2 == 1) {
            pending_[used_++] = static_cast<char>(cell + (cell <= 63 ? 0x3F : 0x40));
        } else {
            pending_[used_++] = static_cast<char>(cell + 0x9E);
        }
    }

    void Jis0212(uchar first, uchar second)
    {
        Into(Run::EucJpMs);
        pending_[used_++] = '\x8F';
        pending_[used_++] = static_cast<char>(first | 0x80);
        pending_[used_++] = static_cast<char>(second | 0x80);
    }

    // 0xFF is no CP932 byte: it becomes one replacement character.
    void Undecodable() { Byte('\xFF'); }

    QString Text()
    {
        Flush();
        return std::move(text_);
    }

private:
    enum class Run { Windows932, EucJpMs };

    void Into(Run run)
    {
        if (run != run_) {
            Flush();
            run_ = run;
        }
    }

    void Flush()
    {
        if (used_ == 0) {
            return;
        }
        const QByteArrayView run(pending_.constData(), used_);
        text_ += run_ == Run::Windows932 ? TextFromWindows932(run) : TextFromEucJpMs(run);
        used_ = 0;
    }

    Run run_ = Run::Windows932;
    QByteArray pending_;
    qsizetype used_ = 0;
    QString text_;
};

enum class JisSet { Ascii, Kana, Jis0208, Jis0212, OtherSingle, OtherDouble };

bool IsJisByte(uchar byte)
{
    return Between(byte, 0x21, 0x7E);
}

// Reads the escape sequence at the start of `rest` into `set`; returns
// its length. An unknown or broken one costs a replacement character.
qsizetype Escape(QByteArrayView rest, JisSet& set, WindowsJisText& text)
{
    qsizetype end = 1;
    while (end < rest.size() && Between(static_cast<uchar>(rest[end]), 0x20, 0x2F)) {
        ++end;
    }
    if (end == rest.size() || !Between(static_cast<uchar>(rest[end]), 0x30, 0x7E)) {
        text.Undecodable();
        return end;
    }
    const QByteArrayView sequence = rest.sliced(1, end);
    if (sequence == "(B" || sequence == "(J" || sequence == "(H") {
        set = JisSet::Ascii;
    } else if (sequence == "(I") {
        set = JisSet::Kana;
    } else if (sequence == "$@" || sequence == "$B" || sequence == "$(@" || sequence == "$(B") {
        set = JisSet::Jis0208;
    } else if (sequence == "$(D") {
        set = JisSet::Jis0212;
    } else if (sequence == "&@") {
        // announces the 1990 edition of JIS X 0208, which changes nothing here
    } else if (sequence.startsWith('$')) {
        set = JisSet::OtherDouble;
        text.Undecodable();
    } else if (sequence.startsWith('(')) {
        set = JisSet::OtherSingle;
        text.Undecodable();
    } else {
        text.Undecodable();
    }
    return end + 1;
}

} // namespace

QString TextFromWindows932(QByteArrayView bytes)
{
    return IconvText(bytes, "CP932", Windows932Undecodable).value_or(QString());
}

QString TextFromWindowsIso2022Jp(QByteArrayView bytes)
{
    WindowsJisText text(bytes.size());
    const auto at = [&bytes](qsizetype i) { return i < bytes.size() ? static_cast<uchar>(bytes[i]) : uchar(0); };
    JisSet set = JisSet::Ascii;
    bool shiftedOut = false; // SO: half-width katakana until SI
    for (qsizetype i = 0; i < bytes.size();) {
        const uchar byte = at(i);
        if (byte == 0x1B) {
            i += Escape(bytes.sliced(i), set, text);
            continue;
        }
        const bool twoBytes = !shiftedOut && set != JisSet::Ascii && set != JisSet::Kana && set != JisSet::OtherSingle;
        if (twoBytes && IsJisByte(byte) && IsJisByte(at(i + 1))) {
            if (set == JisSet::Jis0208) {
                text.Jis0208(byte, at(i + 1));
            } else if (set == JisSet::Jis0212) {
                text.Jis0212(byte, at(i + 1));
            } else {
                text.Undecodable();
            }
            i += 2;
            continue;
        }
        ++i;
        if (byte == 0x0E || byte == 0x0F) {
            shiftedOut = byte == 0x0E;
        } else if (byte >= 0x80 || (IsJisByte(byte) && (twoBytes || set == JisSet::OtherSingle))) {
            text.Undecodable();
        } else if (IsJisByte(byte) && (shiftedOut || set == JisSet::Kana)) {
            byte <= 0x5F ? text.Kana(byte) : text.Undecodable();
        } else {
            // ASCII, or controls and blanks, which read the same in every
            // set; a line always starts in ASCII, even when the last one
            // forgot to return to it.
            text.Byte(static_cast<char>(byte));
            if (byte == '\n') {
                set = JisSet::Ascii;
                shiftedOut = false;
            }
        }
    }
    return text.Text();
}

QString TextFromWindowsEucJp(QByteArrayView bytes)
{
    WindowsJisText text(bytes.size());
    const auto at = [&bytes](qsizetype i) { return i < bytes.size() ? static_cast<uchar>(bytes[i]) : uchar(0); };
    const auto high = [](uchar byte) { return Between(byte, 0xA1, 0xFE); };
    for (qsizetype i = 0; i < bytes.size();) {
        const uchar byte = at(i);
        if (byte < 0x80) {
            text.Byte(static_cast<char>(byte));
            i += 1;
        } else if (byte == 0x8E && Between(at(i + 1), 0xA1, 0xDF)) {
            text.Byte(static_cast<char>(at(i + 1)));
            i += 2;
        } else if (byte == 0x8F && high(at(i + 1)) && high(at(i + 2))) {
            text.Jis0212(at(i + 1) & 0x7F, at(i + 2) & 0x7F);
            i += 3;
        } else if (high(byte) && high(at(i + 1))) {
            text.Jis0208(byte & 0x7F, at(i + 1) & 0x7F);
            i += 2;
        } else {
            text.Undecodable();
            i += 1;
        }
    }
    return text.Text();
}
