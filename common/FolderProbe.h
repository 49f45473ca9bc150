#pragma once

#include <QString>

// Whether new files can be made in a folder: a probe file is created there
// and removed again. Tests replace it to fake a folder that refuses writes.
class FolderProbe {
public:
    virtual ~FolderProbe() = default;
    // Empty when the folder takes new files; otherwise the reason it does not.
    virtual QString WriteProblem(const QString& folder) const;
};
