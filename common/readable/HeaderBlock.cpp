#include "HeaderBlock.h"

#include "GMimeSupport.h"
#include "HeaderText.h"
#include "JapaneseDate.h"
#include "LeftOutLines.h"
#include "ReadingLimits.h"

#include <QByteArray>

namespace {

struct Field {
    const char* name;
    const char* label;
    bool alwaysShown;
};

const Field Fields[] = {
    {"From", "差出人", true}, {"To", "宛先", true}, {"Cc", "Cc", false}, {"Date", "日付", true}, {"Subject", "件名", true},
};

} // namespace

QString ReaderHeaderBlock(GMimeObject* message)
{
    QString block;
    bool anyField = false;
    for (const Field& field : Fields) {
        qsizetype size = 0;
        const QByteArray raw = RawHeader(message, field.name, &size);
        const bool present = !raw.isNull();
        anyField = anyField || present;
        if (!present && !field.alwaysShown) {
            continue;
        }
        const QString label = QString::fromUtf8(field.label);
        qsizetype wordsLeft = 0;
        const QString value = qstrcmp(field.name, "Date") == 0 ? ReadableDate(raw) : ReadableHeaderField(raw, &wordsLeft);
        block += label + QStringLiteral(": ") + value + u'\n';
        if (size > MaxFieldBytes) {
            block += FieldBytesLeftOutLine(label, size) + u'\n';
        }
        if (wordsLeft > 0) {
            block += EncodedWordsLeftOutLine(label, wordsLeft) + u'\n';
        }
    }
    return anyField ? block : QString();
}
