#pragma once

#include <QString>

// Opens a file with the application the desktop chooses for its type. The
// viewer reaches the desktop only through this, so tests start nothing.
class DefaultApplication {
public:
    virtual ~DefaultApplication() = default;

    // False when no application could be started for the file.
    virtual bool OpenFile(const QString& path) = 0;
};
