#include "SettingsLocation.h"

#include "PathJoin.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString SettingsFileLocation(const QString& programFolder, const QString& fileName, const QString& configHome,
                             const FolderWritable& writable)
{
    const QString beside = JoinPath(programFolder, fileName);
    if (QFileInfo::exists(beside) || writable(programFolder)) {
        return beside;
    }
    return JoinPath(JoinPath(configHome, QStringLiteral("Larkspur")), fileName);
}

QString SettingsFileLocation(const QString& programFolder, const QString& fileName)
{
    const QString configHome =
        QDir::toNativeSeparators(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    return SettingsFileLocation(programFolder, fileName, configHome, ProgramFolderWritable);
}

bool ProgramFolderWritable(const QString& folder)
{
    const QFileInfo info(folder);
    if (info.canonicalFilePath() == QFileInfo(QStringLiteral(LARK_INSTALL_BINDIR)).canonicalFilePath()) {
        return false;
    }
    return info.isDir() && info.isWritable();
}
