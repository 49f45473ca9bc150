#include "FirstRunSettings.h"

#include "FileSystem.h"

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
    // The storage folder is its owner's alone; a missing folder above it is
    // made as usual.
    QDir().mkpath(QFileInfo(firstRun.folder).path());
    FileSystem().CreateFolder(firstRun.folder);
    SaveSettings(path, firstRun);
    return {firstRun, QFileInfo::exists(path) ? StartingSettings::Created : StartingSettings::NotSaved};
}
