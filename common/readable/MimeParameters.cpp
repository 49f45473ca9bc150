#include "MimeParameters.h"

#include "CharsetText.h"
#include "EncodedWords.h"
#include "HeaderText.h"

#include <QByteArray>
#include <QList>

#include <map>

namespace {

struct Parameter {
    QString name;
    QString value;
};

qsizetype SkipBlanks(const QString& text, qsizetype at)
{
    while (at < text.size() && (text[at] == u' ' || text[at] == u'\t')) {
        ++at;
    }
    return at;
}

// A backslash quotes only a quote or a backslash: Windows paths in quoted
// names keep theirs.
QString QuotedString(const QString& text, qsizetype& at)
{
    QString value;
    for (++at; at < text.size() && text[at] != u'"'; ++at) {
        if (text[at] == u'\\' && at + 1 < text.size() && (text[at + 1] == u'"' || text[at + 1] == u'\\')) {
            ++at;
        }
        value += text[at];
    }
    return value;
}

// Every "; name=value" after the field's first word. Raw bytes were read
// as characters first, so a Shift_JIS byte 0x5C quotes nothing.
QList<Parameter> Parameters(const QString& text)
{
    QList<Parameter> parameters;
    qsizetype at = text.indexOf(u';');
    while (at >= 0 && at < text.size()) {
        at = SkipBlanks(text, at + 1);
        qsizetype end = at;
        while (end < text.size() && text[end] != u'=' && text[end] != u';') {
            ++end;
        }
        Parameter parameter{text.sliced(at, end - at).trimmed().toLower(), QString()};
        at = end;
        if (at < text.size() && text[at] == u'=') {
            at = SkipBlanks(text, at + 1);
            if (at < text.size() && text[at] == u'"') {
                parameter.value = QuotedString(text, at);
            } else {
                end = text.indexOf(u';', at);
                end = end < 0 ? text.size() : end;
                parameter.value = text.sliced(at, end - at).trimmed();
                at = end;
            }
            at = text.indexOf(u';', at);
        }
        if (!parameter.name.isEmpty()) {
            parameters.append(parameter);
        }
    }
    return parameters;
}

struct Section {
    bool extended;
    QString value;
};

// charset'language'%XX...: the charset, and the value from its bytes on.
QByteArray TakeCharset(QString& value)
{
    const qsizetype first = value.indexOf(u'\'');
    const qsizetype second = first < 0 ? -1 : value.indexOf(u'\'', first + 1);
    if (second < 0) {
        return QByteArray();
    }
    const QByteArray charset = value.first(first).toLatin1();
    value.remove(0, second + 1);
    return charset;
}

// The sections in order: extended ones are joined as bytes before their
// charset is applied, since a character may span two.
QString Joined(const std::map<int, Section>& sections)
{
    QString text;
    QByteArray charset;
    QByteArray bytes;
    for (const auto& [number, section] : sections) {
        QString value = section.value;
        if (!section.extended) {
            text += TextFromCharset(bytes, charset) + DecodeEncodedWords(value);
            bytes.clear();
            continue;
        }
        if (number == sections.begin()->first) {
            charset = TakeCharset(value);
        }
        bytes += QByteArray::fromPercentEncoding(value.toUtf8());
    }
    return text + TextFromCharset(bytes, charset);
}

} // namespace

QString ReadableParameter(QByteArrayView rawFieldValue, QLatin1StringView name)
{
    const QString wanted = QString(name).toLower();
    std::map<int, Section> sections;
    QString plain;
    for (const Parameter& parameter : Parameters(UnfoldedFieldText(rawFieldValue))) {
        if (parameter.name == wanted) {
            plain = parameter.value;
        } else if (parameter.name == wanted + u'*') {
            sections[-1] = {true, parameter.value};
        } else if (parameter.name.startsWith(wanted + u'*')) {
            QString number = parameter.name.sliced(wanted.size() + 1);
            const bool extended = number.endsWith(u'*');
            bool ok = false;
            const int index = (extended ? number.chopped(1) : number).toInt(&ok);
            if (ok && index >= 0) {
                sections[index] = {extended, parameter.value};
            }
        }
    }
    return sections.empty() ? DecodeEncodedWords(plain) : Joined(sections);
}
