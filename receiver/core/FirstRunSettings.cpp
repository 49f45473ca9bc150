#include "FirstRunSettings.h"

#include <QDir>
#include <QFileInfo>

ReceiverSettings FirstRunSettings()
{
    ReceiverSettings settings;
    settings.port = QStringLiteral("2525");
    settings.folder = QDir::toNativeSeparators(QDir::homePath() + QStringLiteral("/LarkspurMail"));
    return settings;
}

StartingSettings ReadOrCreateSettings(const QString& path, const ReceiverSettings& firstRun)
{
    if (QFileInfo::exists(path)) {
        return {LoadSettings(path), StartingSettings::Read};
    }
    QDir().mkpath(firstRun.folder);
    SaveSettings(path, firstRun);
    return {firstRun, QFileInfo::exists(path) ? StartingSettings::Created : StartingSettings::NotSaved};
}
