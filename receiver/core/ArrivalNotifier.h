#pragma once

#include <QByteArray>
#include <QString>

// An arrival pop-up shows at most this much of a message, so that its
// memory is bounded by this cap rather than by the message's size.
inline constexpr qsizetype PopupByteLimit = 1024 * 1024;

// How the operator is told that mail arrived: a pop-up with the message and
// a sound. The control window provides both; tests record them.
class ArrivalNotifier {
public:
    virtual ~ArrivalNotifier() = default;
    // caption: the sender domain as the client sent it; head: the message,
    // or at least its first PopupByteLimit bytes; fullSize: the whole
    // message's size.
    virtual void ShowPopup(const QString& caption, const QByteArray& head, qint64 fullSize) = 0;
    void ShowPopup(const QString& caption, const QByteArray& message)
    {
        ShowPopup(caption, message, message.size());
    }
    virtual void PlaySound(const QString& wavPath) = 0;
};
