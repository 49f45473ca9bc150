#include "ArrivalLog.h"

#include "ArrivalLine.h"
#include "FileSystem.h"
#include "SystemText.h"

ArrivalLog ArrivalLog::Read(const QString& logPath, qsizetype storageFolderLength)
{
    const std::optional<QByteArray> bytes = FileSystem().ReadWholeFile(logPath);
    if (!bytes) {
        return ArrivalLog();
    }
    // Decoding the whole file at once is safe: LF is never part of a
    // multi-byte character in the system encodings in use.
    return FromText(FromSystemBytes(*bytes), storageFolderLength);
}

ArrivalLog ArrivalLog::FromText(QString text, qsizetype storageFolderLength)
{
    ArrivalLog log;
    log.text_ = std::move(text);
    log.storageFolderLength_ = storageFolderLength;

    const QString& all = log.text_;
    const qsizetype size = all.size();
    log.lines_.reserve(all.count(QLatin1Char('\n')) + 1);
    qsizetype pos = 0;
    while (pos < size) {
        const qsizetype lineFeed = all.indexOf(QLatin1Char('\n'), pos);
        qsizetype end = lineFeed < 0 ? size : lineFeed;
        if (lineFeed >= 0 && end > pos && all.at(end - 1) == QLatin1Char('\r')) {
            --end;
        }
        log.lines_.append({pos, end - pos});
        pos = lineFeed < 0 ? size : lineFeed + 1;
    }
    return log;
}

QStringView ArrivalLog::Line(int index) const
{
    const Span& span = lines_.at(index);
    return QStringView(text_).sliced(span.start, span.length);
}

QString ArrivalLog::DateTimeText(int index) const
{
    return ::DateTimeText(FileNameOf(Line(index)));
}

QStringView ArrivalLog::DomainText(int index) const
{
    return ::DomainText(Line(index), storageFolderLength_);
}
