#include "FolderProbe.h"

#include "PathJoin.h"

#include <QTemporaryFile>

QString FolderProbe::WriteProblem(const QString& folder) const
{
    // A unique hidden name, so the probe never meets a file of the user's.
    QTemporaryFile probe(JoinPath(folder, QStringLiteral(".Larkspur-probe-XXXXXX")));
    if (!probe.open()) {
        return probe.errorString();
    }
    if (probe.write("probe", 5) != 5 || !probe.flush()) {
        return probe.errorString();
    }
    probe.close();
    if (!probe.remove()) {
        return probe.errorString();
    }
    return {};
}
