#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

// The arrival log as rows, in file order, one per line (identical lines
// stay separate rows). It holds the log's bytes once, as read (system
// encoding), and where each line starts; a line is decoded only when asked
// for, so a million rows cost the file's size plus eight bytes each.
//
// The bytes lie in a few large blocks that never move once filled: a log
// that grows gets a new block instead of a copy of everything read so far.
class ArrivalLog {
public:
    // Lines end at LF; a CR before it is dropped. A last line without a
    // line end still counts, a trailing line end adds no empty row.
    static ArrivalLog FromText(const QString& text);

    int Count() const { return int(starts_.size()); }
    // 0-based index; the whole line without its line end.
    QString Line(int index) const;
    // The same line's bytes as held: a view of the log, or of scratch for a
    // line that was still being written when a block filled up.
    QByteArrayView LineBytes(int index, QByteArray& scratch) const;

    // How many of the log's bytes are held, from its first byte on.
    qint64 Size() const { return size_; }
    // The held bytes from..from+length, within Size().
    QByteArray Bytes(qint64 from, qint64 length) const;

    void Clear();
    // Makes room for the log to reach that many bytes and lines without
    // further allocations.
    void Reserve(qint64 bytes, qint64 lines);

    struct Growth {
        int rowsBefore = 0;
        // The last row held had no line end yet and the new bytes continue it.
        bool lastRowGrew = false;
    };
    // Adds the bytes that follow those held in the file.
    Growth Append(QByteArrayView bytes);

private:
    struct Block {
        qint64 start = 0;
        // Filled up to the capacity it was made with, never beyond.
        QByteArray bytes;
    };

    void AddBlock(qint64 capacity);
    int BlockAt(qint64 position) const;
    char ByteAt(qint64 position) const;

    QList<Block> blocks_;
    qint64 size_ = 0;
    QList<qint64> starts_;
};
