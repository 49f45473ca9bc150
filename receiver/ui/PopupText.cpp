#include "PopupText.h"

#include "ArrivalNotifier.h"
#include "WorkClock.h"

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

void KeepFirstLines(QString& text, qsizetype lines)
{
    qsizetype end = -1;
    for (qsizetype kept = 0; kept < lines; ++kept) {
        end = text.indexOf(QLatin1Char('\n'), end + 1);
        if (end < 0 || end + 1 == text.size()) {
            return;
        }
    }
    const qsizetype left = QStringView(text).sliced(end + 1).count(QLatin1Char('\n')) + (text.endsWith(u'\n') ? 0 : 1);
    text.truncate(end + 1);
    text += QStringLiteral("［以下省略］行が多いため、残りの %1 行は表示していません（表示は %2 行まで）。\n")
                .arg(left)
                .arg(lines);
}

} // namespace

PopupText::PopupText(const QByteArray& head, qint64 fullSize)
    : renderer_(head.left(PopupByteLimit)), fullSize_(fullSize)
{
}

bool PopupText::Work(WorkClock& clock, qint64 sliceNs)
{
    const qint64 start = clock.NowNs();
    qint64 now = start;
    bool more = true;
    do {
        more = renderer_.Step();
        now = clock.NowNs();
    } while (more && now - start < sliceNs && spentNs_ + (now - start) < BudgetNs);
    spentNs_ += now - start;
    return more && spentNs_ < BudgetNs;
}

QString PopupText::Text() const
{
    QString text = BreakLongLines(renderer_.CutText());
    KeepFirstLines(text, MaxLines);
    if (fullSize_ > PopupByteLimit) {
        if (!text.endsWith(QLatin1Char('\n'))) {
            text += QLatin1Char('\n');
        }
        text += QStringLiteral("［以下省略］このメッセージは全体で %1 バイトあります。先頭の %2 バイトだけを表示しています。")
                    .arg(fullSize_)
                    .arg(PopupByteLimit);
    }
    return text;
}
