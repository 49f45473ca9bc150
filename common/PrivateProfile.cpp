#include "PrivateProfile.h"

#include "FileSystem.h"
#include "SystemText.h"

#include <QFile>
#include <QList>
#include <QSaveFile>

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

QString TrimBlanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text.at(begin))) {
        ++begin;
    }
    while (end > begin && IsBlank(text.at(end - 1))) {
        --end;
    }
    return text.mid(begin, end - begin);
}

QString ChopTrailingBlanks(const QString& text)
{
    qsizetype end = text.size();
    while (end > 0 && IsBlank(text.at(end - 1))) {
        --end;
    }
    return text.left(end);
}

struct ProfileLine {
    enum class Kind { Other, Section, Key };

    QByteArray bytes;  // the line without its end
    QByteArray ending; // "\r\n", "\n", or empty for a last line without one
    Kind kind = Kind::Other;
    QString name;      // section or key name, without blanks
    QString valueText; // key lines: everything after the first "="
    bool blank = true; // only blanks (or nothing)
};

void Classify(ProfileLine& line, bool firstLine)
{
    QByteArrayView bytes = line.bytes;
    if (firstLine && bytes.startsWith("\xEF\xBB\xBF")) {
        bytes = bytes.sliced(3); // a UTF-8 byte-order mark left by an editor
    }
    const QString text = TrimBlanks(FromSystemBytes(bytes));
    line.blank = text.isEmpty();
    if (text.startsWith(u'[')) {
        const qsizetype close = text.indexOf(u']');
        if (close > 0) {
            line.kind = ProfileLine::Kind::Section;
            line.name = TrimBlanks(text.mid(1, close - 1));
            return;
        }
    }
    if (text.startsWith(u';')) {
        return;
    }
    const qsizetype equals = text.indexOf(u'=');
    if (equals >= 0) {
        line.kind = ProfileLine::Kind::Key;
        line.name = TrimBlanks(text.left(equals));
        line.valueText = text.mid(equals + 1);
    }
}

QList<ProfileLine> SplitLines(const QByteArray& content)
{
    QList<ProfileLine> lines;
    qsizetype pos = 0;
    while (pos < content.size()) {
        ProfileLine line;
        const qsizetype newline = content.indexOf('\n', pos);
        if (newline < 0) {
            line.bytes = content.mid(pos);
            pos = content.size();
        } else {
            line.bytes = content.mid(pos, newline - pos);
            line.ending = "\n";
            if (line.bytes.endsWith('\r')) {
                line.bytes.chop(1);
                line.ending = "\r\n";
            }
            pos = newline + 1;
        }
        Classify(line, lines.isEmpty());
        lines.append(std::move(line));
    }
    return lines;
}

QByteArray JoinLines(const QList<ProfileLine>& lines)
{
    QByteArray content;
    for (const ProfileLine& line : lines) {
        content += line.bytes;
        content += line.ending;
    }
    return content;
}

// Where a key stands: the first section of the name, the first key of the
// name inside it, and the last line of the section that is not blank.
struct Location {
    qsizetype section = -1;
    qsizetype key = -1;
    qsizetype lastContent = -1;
};

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

Location Find(const QList<ProfileLine>& lines, const QString& section, const QString& key)
{
    Location found;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].kind == ProfileLine::Kind::Section && SameName(lines[i].name, section)) {
            found.section = i;
            break;
        }
    }
    if (found.section < 0) {
        return found;
    }
    found.lastContent = found.section;
    for (qsizetype i = found.section + 1; i < lines.size(); ++i) {
        const ProfileLine& line = lines[i];
        if (line.kind == ProfileLine::Kind::Section) {
            break;
        }
        if (!line.blank) {
            found.lastContent = i;
        }
        if (found.key < 0 && line.kind == ProfileLine::Kind::Key && SameName(line.name, key)) {
            found.key = i;
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
    if (ToSystemBytes(value).size() <= limit) {
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
    QString value = TrimBlanks(valueText);
    if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"')) {
        value = value.mid(1, value.size() - 2);
    }
    return value;
}

QByteArray KeyLineBytes(const QString& key, const QString& value)
{
    return ToSystemBytes(key + u'=' + value);
}

// A line without its end (the file's last) gets one before a line is added
// behind it, so the new line stands on its own.
void EndLastLine(QList<ProfileLine>& lines, qsizetype before)
{
    if (before > 0 && lines[before - 1].ending.isEmpty()) {
        lines[before - 1].ending = AddedLineEnd;
    }
}

} // namespace

QString GetIniString(const QString& file, const QString& section, const QString& key,
                     const QString& defaultValue)
{
    const QList<ProfileLine> lines = SplitLines(ProfileBytes(file));
    const Location found = Find(lines, section, key);
    if (found.key < 0) {
        // As the platform does: trailing blanks of the default are dropped.
        return ThroughReadBuffer(ChopTrailingBlanks(defaultValue));
    }
    return ThroughReadBuffer(UnquotedValue(lines[found.key].valueText));
}

void PutIniString(const QString& file, const QString& section, const QString& key, const QString& value)
{
    QList<ProfileLine> lines = SplitLines(ProfileBytes(file));
    const Location found = Find(lines, section, key);

    if (found.key >= 0) {
        ProfileLine& line = lines[found.key];
        line.bytes = KeyLineBytes(line.name, value);
    } else {
        qsizetype at = found.lastContent + 1;
        if (found.section < 0) {
            ProfileLine header;
            header.bytes = ToSystemBytes(u'[' + section + u']');
            header.ending = AddedLineEnd;
            at = lines.size();
            EndLastLine(lines, at);
            lines.append(header);
            ++at;
        }
        EndLastLine(lines, at);
        ProfileLine added;
        added.bytes = KeyLineBytes(key, value);
        added.ending = AddedLineEnd;
        lines.insert(at, added);
    }

    // Written to a temporary file beside the target and renamed over it: a
    // failure at any step leaves the old file whole. Not reported.
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) {
        return;
    }
    const QByteArray content = JoinLines(lines);
    if (out.write(content) != content.size()) {
        out.cancelWriting();
    }
    out.commit();
}
