#include "ReadableForm.h"

#include "CharsetText.h"
#include "LineEnds.h"
#include "MessageFile.h"
#include "ReadableMessage.h"

#include <algorithm>

namespace {

bool IsBlank(const QString& text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.isSpace(); });
}

} // namespace

QString ReadableForm(QByteArrayView file)
{
    return ReadableFormOfFile(file).text;
}

ReadableFile ReadableFormOfFile(QByteArrayView file)
{
    QString text;
    QList<qsizetype> starts;
    for (const QByteArray& message : SplitMessageFile(file)) {
        QString readable = ReadableMessage(message);
        if (IsBlank(readable)) {
            readable = WithLfLineEnds(TextOfUnknownCharset(message.trimmed()));
        }
        if (readable.isEmpty()) {
            // Shows nothing, but keeps its place in the count of messages.
            starts.append(text.size());
            continue;
        }
        if (!text.isEmpty()) {
            text += MessageDivider + u'\n';
        }
        starts.append(text.size());
        text += readable;
        if (!text.endsWith(u'\n')) {
            text += u'\n';
        }
    }
    // A NUL would end the text early in the widgets that show it.
    text.replace(QChar(0), QChar::ReplacementCharacter);
    return {text, starts};
}
