#pragma once

#include "ArrivalNotifier.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Keeps every pop-up and sound the store asks for.
class RecordingNotifier : public ArrivalNotifier {
public:
    struct Popup {
        QString caption;
        QByteArray message;
    };
    void ShowPopup(const QString& caption, const QByteArray& message) override
    {
        popups.append({caption, message});
        events.append(QStringLiteral("popup"));
    }
    void PlaySound(const QString& wavPath) override
    {
        sounds.append(wavPath);
        events.append(QStringLiteral("sound"));
    }

    QList<Popup> popups;
    QList<QString> sounds;
    QStringList events;
};
