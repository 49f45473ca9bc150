#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// The arrival log as rows, in file order, one per line (identical lines
// stay separate rows). The text is decoded once and each row is a span of
// it, so a reload of a long log costs no allocation per line.
class ArrivalLog {
public:
    ArrivalLog() = default;

    // A missing or unreadable log gives no rows.
    static ArrivalLog Read(const QString& logPath, qsizetype storageFolderLength);
    // Lines end at LF; a CR before it is dropped. A last line without a
    // line end still counts, a trailing line end adds no empty row.
    static ArrivalLog FromText(QString text, qsizetype storageFolderLength);

    int Count() const { return int(lines_.size()); }

    // 0-based index; the whole line without its line end.
    QStringView Line(int index) const;
    QString DateTimeText(int index) const;
    QStringView DomainText(int index) const;

private:
    struct Span {
        qsizetype start;
        qsizetype length;
    };

    QString text_;
    QList<Span> lines_;
    qsizetype storageFolderLength_ = 0;
};
