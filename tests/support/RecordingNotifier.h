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
        QByteArray message; // what the pop-up was given of it
        qint64 fullSize;
    };
    using ArrivalNotifier::ShowPopup;
    void ShowPopup(const QString& caption, const QByteArray& head, qint64 fullSize) override
    {
        popups.append({caption, head, fullSize});
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
