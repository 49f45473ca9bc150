#include "ReadableFormVersion.h"

#include <gmime/gmime.h>

QString ReadableFormVersion()
{
    return QStringLiteral("GMime %1.%2.%3").arg(gmime_major_version).arg(gmime_minor_version).arg(gmime_micro_version);
}
