#include "LogLocation.h"

#include "PathJoin.h"
#include "PrivateProfile.h"
#include "SettingsLocation.h"
#include "SharedNames.h"

namespace {

// What the read gives when nothing is stored; a stored "x" cannot be told
// from it.
const QString MissingFolder = QStringLiteral("x");

} // namespace

QString SettingsFilePath(const QString& programFolder)
{
    return SettingsFileLocation(programFolder, SettingsFileName());
}

std::optional<QString> ReadStorageFolder(const QString& programFolder)
{
    QString folder = GetIniString(SettingsFilePath(programFolder), SettingsNames::Section,
                                  SettingsNames::Folder, MissingFolder);
    if (folder == MissingFolder) {
        return std::nullopt;
    }
    return folder;
}

QString ArrivalLogPath(const QString& storageFolderPath)
{
    return JoinPath(storageFolderPath, ArrivalLogName());
}
