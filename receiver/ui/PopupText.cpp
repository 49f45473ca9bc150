#include "PopupText.h"

#include "ReadableForm.h"

namespace {

// A line of many thousand characters takes the text box seconds to lay out,
// and no session is served meanwhile; such a line is broken into pieces of
// this length, which the wrapping box shows almost as it would the whole.
constexpr qsizetype LongLineChars = 1000;

QString BreakLongLines(const QString& text)
{
    QString broken;
    qsizetype lineStart = 0;
    qsizetype copied = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('\n')) {
            lineStart = i + 1;
        } else if (i - lineStart == LongLineChars) {
            if (broken.isNull()) {
                broken.reserve(text.size() + text.size() / LongLineChars);
            }
            broken.append(QStringView(text).sliced(copied, i - copied)).append(QLatin1Char('\n'));
            copied = lineStart = i;
        }
    }
    if (broken.isNull()) {
        return text;
    }
    return broken.append(QStringView(text).sliced(copied));
}

} // namespace

QString PopupText(QByteArrayView head, qint64 fullSize)
{
    QString text = BreakLongLines(ReadableForm(head.first(qMin(head.size(), PopupByteLimit))));
    if (fullSize > PopupByteLimit) {
        if (!text.endsWith(QLatin1Char('\n'))) {
            text += QLatin1Char('\n');
        }
        text += QStringLiteral("［以下省略］このメッセージは全体で %1 バイトあります。先頭の %2 バイトだけを表示しています。")
                    .arg(fullSize)
                    .arg(PopupByteLimit);
    }
    return text;
}
