#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

// The line set between two messages of one file.
inline const QString MessageDivider = QString(40, QLatin1Char('='));

// The readable form of a whole message file: each message it holds in
// turn, divided by MessageDivider lines. An empty message shows nothing;
// what cannot be read as mail is shown as text.
QString ReadableForm(QByteArrayView file);

// The readable form together with the position in its text where each
// message of the file begins, in file order.
struct ReadableFile {
    QString text;
    QList<qsizetype> messageStarts;
};
ReadableFile ReadableFormOfFile(QByteArrayView file);
