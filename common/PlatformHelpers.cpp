#include "PlatformHelpers.h"

#include "Dialogs.h"
#include "FileSystem.h"

#include <QDir>

bool FolderPresent(const FileSystem& fileSystem, const QString& path)
{
    return fileSystem.FolderExists(path);
}

bool FolderPresent(const QString& path)
{
    return FolderPresent(FileSystem(), path);
}

QString BrowseFolder(Dialogs& dialogs, QObject* owner)
{
    return dialogs.ChooseFolder(owner, QStringLiteral("フォルダを選択してください"),
                                QDir::toNativeSeparators(QDir::rootPath()), QString());
}
