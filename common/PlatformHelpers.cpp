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

QString PickerStart(const QString& current)
{
    return current.isEmpty() ? QDir::toNativeSeparators(QDir::homePath()) : current;
}

QString BrowseFolder(Dialogs& dialogs, QObject* owner, const QString& current)
{
    return dialogs.ChooseFolder(owner, QStringLiteral("フォルダを選択してください"), PickerStart(current));
}
