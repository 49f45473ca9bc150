#pragma once

#include "DefaultApplication.h"

#include <QStringList>

// Records the files it is asked to open and opens none.
class RecordingDefaultApplication : public DefaultApplication {
public:
    bool OpenFile(const QString& path) override
    {
        opened.append(path);
        return true;
    }

    QStringList opened;
};
