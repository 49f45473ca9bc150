#pragma once

#include <QByteArray>
#include <QFile>

// A memory figure of this process from /proc/self/status, in KiB: "VmRSS"
// (resident now) or "VmHWM" (the peak so far); -1 where there is no such file.
inline qint64 ProcessMemoryKib(const QByteArray& field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field + ':')) {
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return -1;
}
