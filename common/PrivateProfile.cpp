#include "PrivateProfile.h"

#include "FileSystem.h"
#include "SystemText.h"

#include <QFile>
#include <QList>
#include <QSaveFile>

#include <algorithm>
#include <optional>

// The project's own private-profile (INI) reader and writer, with the
// semantics of the Windows functions GetPrivateProfileStringA and
// WritePrivateProfileStringA:
// - a section header is a line "[name]", a key line is "name=value"; lines
//   before the first header, comment lines (";...") and lines without "="
//   are nobody's keys;
// - section and key names are compared without regard to case; the first
//   section of that name is the one used, and in it the first key;
// - the file is parsed as text in the system encoding (a trail byte of a
//   double-byte character can look like "]"), but written back as the bytes
//   it had: only the line that changes, or is added, is encoded anew.

namespace {

constexpr qsizetype ReadBufferSize = 512;
constexpr char AddedLineEnd[] = "\r\n"; // the end of every line the writer adds

// Blanks in the sense of the single-byte platform functions: ASCII only, so
// a value that begins with an ideographic space keeps it.
bool IsBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f';
}

QStringView TrimBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text.at(begin))) {
        ++begin;
    }
    while (end > begin && IsBlank(text.at(end - 1))) {
        --end;
    }
    return text.sliced(begin, end - begin);
}

QString ChopTrailingBlanks(const QString& text)
{
    qsizetype end = text.size();
    while (end > 0 && IsBlank(text.at(end - 1))) {
        --end;
    }
    return text.left(end);
}

// Where one line lies in the file's bytes.
struct LineSpan {
    qsizetype begin = 0;
    qsizetype end = 0;  // where its line end ("\r\n" or "\n") begins
    qsizetype next = 0; // where the next line begins
    bool HasEnding() const { return next > end; }
};

bool IsBlankByte(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

QByteArrayView TrimBlankBytes(QByteArrayView bytes)
{
    while (!bytes.isEmpty() && IsBlankByte(bytes.front())) {
        bytes = bytes.sliced(1);
    }
    while (!bytes.isEmpty() && IsBlankByte(bytes.back())) {
        bytes.chop(1);
    }
    return bytes;
}

// Walks the lines of a file's bytes one at a time, keeping nothing of a
// line after its step, so reading a large file costs little more than the
// file itself. Lines are told apart by their bytes: blanks, "[", ";" and
// "=" are single bytes in every system encoding and never the trail byte
// of a double-byte character, and a line starts on a character. Only what
// a caller asks for is decoded: a section header (where "]" could be a
// trail byte), a key's name, a key's value.
class LineScanner {
public:
    enum class Kind { Other, Section, Key };

    explicit LineScanner(QByteArrayView content) : content_(content) {}

    bool Next()
    {
        if (position_ >= content_.size()) {
            return false;
        }
        span_.begin = position_;
        const qsizetype newline = content_.indexOf('\n', position_);
        if (newline < 0) {
            span_.end = span_.next = content_.size();
        } else {
            span_.end = newline > position_ && content_[newline - 1] == '\r' ? newline - 1 : newline;
            span_.next = newline + 1;
        }
        position_ = span_.next;
        Classify();
        return true;
    }

    const LineSpan& Span() const { return span_; }
    Kind LineKind() const { return kind_; }
    // Only blanks, or nothing.
    bool Blank() const { return blank_; }
    // Section or key name, without blanks; valid until the next step.
    QStringView Name()
    {
        if (!nameDecoded_) {
            Decode(nameBytes_, name_);
            nameDecoded_ = true;
        }
        return TrimBlanks(name_);
    }
    // Key lines: everything after the first "=".
    QString ValueText() const { return FromSystemBytes(valueBytes_); }

private:
    void Classify()
    {
        QByteArrayView bytes = content_.sliced(span_.begin, span_.end - span_.begin);
        if (span_.begin == 0 && bytes.startsWith("\xEF\xBB\xBF")) {
            bytes = bytes.sliced(3); // a UTF-8 byte-order mark left by an editor
        }
        const QByteArrayView text = TrimBlankBytes(bytes);
        blank_ = text.isEmpty();
        kind_ = Kind::Other;
        nameDecoded_ = false;
        nameBytes_ = {};
        valueBytes_ = {};
        if (text.startsWith('[')) {
            QString header;
            Decode(text, header);
            const qsizetype close = header.indexOf(u']');
            if (close > 0) {
                kind_ = Kind::Section;
                name_ = header.sliced(1, close - 1);
                nameDecoded_ = true;
                return;
            }
        }
        if (text.startsWith(';')) {
            return;
        }
        const qsizetype equals = text.indexOf('=');
        if (equals >= 0) {
            kind_ = Kind::Key;
            nameBytes_ = text.first(equals);
            valueBytes_ = text.sliced(equals + 1);
        }
    }

    // ASCII, the usual case, reads the same in every system encoding and
    // needs no decoder; the buffer is reused from line to line.
    static void Decode(QByteArrayView bytes, QString& out)
    {
        const bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
        if (!ascii) {
            out = FromSystemBytes(bytes);
            return;
        }
        out.resize(bytes.size());
        QChar* to = out.data();
        for (char c : bytes) {
            *to++ = QLatin1Char(c);
        }
    }

    QByteArrayView content_;
    qsizetype position_ = 0;
    LineSpan span_;
    Kind kind_ = Kind::Other;
    bool blank_ = true;
    QByteArrayView nameBytes_;
    QByteArrayView valueBytes_;
    QString name_;
    bool nameDecoded_ = false;
};

bool SameName(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Where a key stands: the first section of the name, the first key of the
// name inside it, and the last line of the section that is not blank.
struct Location {
    bool sectionFound = false;
    std::optional<LineSpan> key;
    QString keyName; // as the file spells it
    LineSpan lastContent;
};

Location Find(QByteArrayView content, const QString& section, const QString& key)
{
    Location found;
    LineScanner lines(content);
    while (lines.Next()) {
        const LineScanner::Kind kind = lines.LineKind();
        if (!found.sectionFound) {
            if (kind == LineScanner::Kind::Section && SameName(lines.Name(), section)) {
                found.sectionFound = true;
                found.lastContent = lines.Span();
            }
            continue;
        }
        if (kind == LineScanner::Kind::Section) {
            break;
        }
        if (!lines.Blank()) {
            found.lastContent = lines.Span();
        }
        if (!found.key && kind == LineScanner::Kind::Key && SameName(lines.Name(), key)) {
            found.key = lines.Span();
            found.keyName = lines.Name().toString();
        }
    }
    return found;
}

// A file that is missing or cannot be read holds no section.
QByteArray ProfileBytes(const QString& path)
{
    return FileSystem().ReadWholeFile(path).value_or(QByteArray());
}

// The value as it comes out of a 512-byte buffer: at most 511 bytes in the
// system encoding, never half a character.
QString ThroughReadBuffer(const QString& value)
{
    constexpr qsizetype limit = ReadBufferSize - 1;
    // Every character takes at least one byte, so a longer text is cut.
    if (value.size() <= limit && ToSystemBytes(value).size() <= limit) {
        return value;
    }
    QString kept;
    qsizetype used = 0;
    qsizetype i = 0;
    while (i < value.size()) {
        const qsizetype step =
            value.at(i).isHighSurrogate() && i + 1 < value.size() && value.at(i + 1).isLowSurrogate() ? 2 : 1;
        const QString character = value.mid(i, step);
        const qsizetype size = ToSystemBytes(character).size();
        if (used + size > limit) {
            break;
        }
        kept += character;
        used += size;
        i += step;
    }
    return kept;
}

QString UnquotedValue(const QString& valueText)
{
    QStringView value = TrimBlanks(valueText);
    if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"')) {
        value = value.sliced(1, value.size() - 2);
    }
    return value.toString();
}

QByteArray KeyLineBytes(const QString& key, const QString& value)
{
    return ToSystemBytes(key + u'=' + value);
}

// Sets one key in the file's bytes: its line replaced in place, or a line
// added behind the last one of its section, or the section added at the end.
// A last line without an end gets one before anything is added behind it.
void SetKey(QByteArray& content, const QString& section, const QString& key, const QString& value)
{
    const Location found = Find(content, section, key);
    if (found.key) {
        content.replace(found.key->begin, found.key->end - found.key->begin, KeyLineBytes(found.keyName, value));
        return;
    }
    QByteArray added;
    qsizetype at = found.lastContent.next;
    if (!found.sectionFound) {
        at = content.size();
        if (!content.isEmpty() && !content.endsWith('\n')) {
            added += AddedLineEnd;
        }
        added += ToSystemBytes(u'[' + section + u']') + AddedLineEnd;
    } else if (!found.lastContent.HasEnding()) {
        added += AddedLineEnd;
    }
    added += KeyLineBytes(key, value) + AddedLineEnd;
    content.insert(at, added);
}

} // namespace

QString GetIniString(const QString& file, const QString& section, const QString& key,
                     const QString& defaultValue)
{
    return GetIniStrings(file, section, {{key, defaultValue}}).constFirst();
}

QStringList GetIniStrings(const QString& file, const QString& section,
                          const QList<std::pair<QString, QString>>& keysAndDefaults)
{
    const QByteArray content = ProfileBytes(file);
    QList<std::optional<QString>> values(keysAndDefaults.size());
    qsizetype missing = values.size();
    bool inSection = false;
    LineScanner lines(content);
    while (missing > 0 && lines.Next()) {
        if (lines.LineKind() == LineScanner::Kind::Section) {
            if (inSection) {
                break; // only the first section of the name counts
            }
            inSection = SameName(lines.Name(), section);
            continue;
        }
        if (!inSection || lines.LineKind() != LineScanner::Kind::Key) {
            continue;
        }
        for (qsizetype i = 0; i < values.size(); ++i) {
            if (!values[i] && SameName(lines.Name(), keysAndDefaults[i].first)) {
                values[i] = UnquotedValue(lines.ValueText());
                --missing;
            }
        }
    }
    QStringList result;
    result.reserve(values.size());
    for (qsizetype i = 0; i < values.size(); ++i) {
        // As the platform does: trailing blanks of a default are dropped.
        result.append(ThroughReadBuffer(values[i] ? *values[i] : ChopTrailingBlanks(keysAndDefaults[i].second)));
    }
    return result;
}

void PutIniString(const QString& file, const QString& section, const QString& key, const QString& value)
{
    PutIniStrings(file, section, {{key, value}});
}

void PutIniStrings(const QString& file, const QString& section,
                   const QList<std::pair<QString, QString>>& keysAndValues)
{
    QByteArray content = ProfileBytes(file);
    for (const auto& [key, value] : keysAndValues) {
        SetKey(content, section, key, value);
    }

    // Written to a temporary file beside the target and renamed over it: a
    // failure at any step leaves the old file whole. Not reported.
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) {
        return;
    }
    if (out.write(content) != content.size()) {
        out.cancelWriting();
    }
    out.commit();
}
