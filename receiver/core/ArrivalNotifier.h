#pragma once

#include <QByteArray>
#include <QString>

// How the operator is told that mail arrived: a pop-up with the message and
// a sound. The control window provides both; tests record them.
class ArrivalNotifier {
public:
    virtual ~ArrivalNotifier() = default;
    // caption: the sender domain as the client sent it.
    virtual void ShowPopup(const QString& caption, const QByteArray& message) = 0;
    virtual void PlaySound(const QString& wavPath) = 0;
};
