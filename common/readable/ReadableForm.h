#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <memory>

class MessageRenderer;

// The line set between two messages of one file.
inline const QString MessageDivider = QString(40, QLatin1Char('='));

// The readable form of a whole message file: each message it holds in
// turn (ReadableMessage.h), divided by MessageDivider lines. An empty
// message shows nothing; what cannot be read as mail is shown as text.
// Every step of it is bounded by the limits of ReadingLimits.h.
QString ReadableForm(QByteArrayView file);

// The same readable form, computed a bounded piece at a time, for a caller
// that must return to its event loop between pieces (the arrival pop-up).
// The caller calls Step() as often as it likes on each turn of its loop,
// counts the work it allows (time, steps), and shows Text() once Done(),
// or CutText() when its allowance runs out first.
//
// One step scans at most StepBytes (256 KiB) of a message's structure or
// raw text, finds the next message of the file, parses one message within
// its limits, or renders one header block or one part: its work is
// bounded by the limits and by the size of the one message or part it
// handles: for a message of 1 MiB, some 20 ms at most (one HTML part of
// that size turned into text), most steps well under a millisecond. The
// renderer keeps `file`'s bytes (shared, not copied) while it works.
class ReadableFormRenderer {
public:
    explicit ReadableFormRenderer(QByteArray file);
    ~ReadableFormRenderer();
    ReadableFormRenderer(const ReadableFormRenderer&) = delete;
    ReadableFormRenderer& operator=(const ReadableFormRenderer&) = delete;

    // Does the next piece of work; false once none is left (then it does
    // nothing).
    bool Step();
    bool Done() const;
    // The readable form so far: whole once Done().
    QString Text() const;
    // The text so far and, unless Done(), a last line (RenderingCutLine)
    // saying that the rest was cut.
    QString CutText() const;
    // Where each message of the file begins in Text(), in file order (an
    // empty message at the place it would have had).
    const QList<qsizetype>& MessageStarts() const { return starts_; }

private:
    void FinishMessage();

    QByteArray file_;
    qsizetype next_ = 0; // where the next message starts
    std::unique_ptr<MessageRenderer> message_;
    QString text_; // of the messages finished
    QList<qsizetype> starts_;
};

// The readable form together with the position in its text where each
// message of the file begins, in file order.
struct ReadableFile {
    QString text;
    QList<qsizetype> messageStarts;
};
ReadableFile ReadableFormOfFile(QByteArrayView file);
