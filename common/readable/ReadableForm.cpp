#include "ReadableForm.h"

#include "CharsetText.h"
#include "MessageFile.h"
#include "ReadableMessage.h"

namespace {

bool IsBlank(const QString& text)
{
    return text.trimmed().isEmpty();
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
    const QList<QByteArray> messages = SplitMessageFile(file);
    for (const QByteArray& message : messages) {
        QString readable = ReadableMessage(message);
        if (IsBlank(readable) && !message.trimmed().isEmpty()) {
            readable = TextOfUnknownCharset(message);
        }
        if (!text.isEmpty()) {
            text += MessageDivider + QLatin1Char('\n');
        }
        starts.append(text.size());
        text += readable;
        if (!text.endsWith(QLatin1Char('\n'))) {
            text += QLatin1Char('\n');
        }
    }
    if (IsBlank(text) && !file.trimmed().isEmpty()) {
        text = TextOfUnknownCharset(file);
    }
    // A NUL would end the text early in the widgets that show it.
    text.replace(QChar(0), QChar::ReplacementCharacter);
    return {text, starts};
}
