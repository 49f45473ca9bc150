#pragma once

#include "ReadableForm.h"

#include <QByteArray>
#include <QString>

class WorkClock;

// The text of an arrival pop-up: the first PopupByteLimit bytes of the
// message in their readable form, as the viewer shows them, computed a few
// steps at a time (Work) so that the event loop runs in between.
//
// The readable form gets BudgetNs of work per message; past it the text is
// what was ready, ended by a line saying that the rest was cut. Lines of
// more than a thousand characters are broken into lines of that length, and
// after MaxLines lines a line says how many more were left out: the text
// box's time and memory grow with its lines (some 2 µs and 250 bytes each;
// a megabyte of one-character lines took it over a second). When the
// message is longer than PopupByteLimit, a last line says so and gives its
// whole size in bytes.
class PopupText {
public:
    static constexpr qint64 BudgetNs = 100'000'000;
    static constexpr qsizetype MaxLines = 10'000;

    // fullSize is the message's size when `head` holds only its start.
    PopupText(const QByteArray& head, qint64 fullSize);

    // Renders step after step for about sliceNs (at least one step) and
    // counts the time on `clock` against the budget; false once the text is
    // ready.
    bool Work(WorkClock& clock, qint64 sliceNs);
    // The text: whole once Work returned false.
    QString Text() const;

private:
    ReadableFormRenderer renderer_;
    qint64 fullSize_;
    qint64 spentNs_ = 0;
};
