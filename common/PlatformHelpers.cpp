#include "PlatformHelpers.h"

#include "Dialogs.h"
#include "FileSystem.h"

#include <QDir>
#include <QStandardPaths>

namespace {

// The CSIDL numbers the picker can be rooted at and that mean a folder of
// their own here.
enum Csidl : int {
    CsidlDesktop = 0,
    CsidlPrograms = 2,
    CsidlPersonal = 5,
    CsidlStartMenu = 11,
    CsidlDesktopDirectory = 16,
    CsidlDrives = 17,
    CsidlFonts = 20,
};

constexpr int StartFolderKind = 18;

QString StandardFolder(QStandardPaths::StandardLocation location)
{
    const QString path = QStandardPaths::writableLocation(location);
    return QDir::toNativeSeparators(path.isEmpty() ? QDir::homePath() : path);
}

} // namespace

bool FolderPresent(const FileSystem& fileSystem, const QString& path)
{
    return fileSystem.FolderExists(path);
}

bool FolderPresent(const QString& path)
{
    return FolderPresent(FileSystem(), path);
}

QString CutAtNul(const QString& text)
{
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

QString BrowseFolderTitle()
{
    return QStringLiteral("フォルダを選択してください");
}

int BrowseRootNumber(int kind)
{
    if (kind == 0) {
        return CsidlDesktop;
    }
    if (kind >= 2 && kind <= 11) {
        return kind;
    }
    if (kind >= 12 && kind <= 17) {
        return kind + 4;
    }
    return CsidlDrives; // kind 1, 18 and above, and negative kinds
}

QString SpecialFolderPath(int csidl)
{
    switch (csidl) {
    case CsidlDesktop:
    case CsidlDesktopDirectory:
        return StandardFolder(QStandardPaths::DesktopLocation);
    case CsidlDrives:
#ifdef Q_OS_WIN
        // "This PC": Qt's file dialogs list the drives for an empty folder.
        return QString();
#else
        return QDir::toNativeSeparators(QDir::rootPath());
#endif
    case CsidlPersonal:
        return StandardFolder(QStandardPaths::DocumentsLocation);
    case CsidlPrograms:
    case CsidlStartMenu:
        return StandardFolder(QStandardPaths::ApplicationsLocation);
    case CsidlFonts:
        return StandardFolder(QStandardPaths::FontsLocation);
    default:
        return QDir::toNativeSeparators(QDir::homePath());
    }
}

QString BrowseFolder(Dialogs& dialogs, QObject* owner, int kind, const QString& start)
{
    int root = BrowseRootNumber(kind);
    QString startFolder;
    if (kind == StartFolderKind && !start.isEmpty()) {
        root = CsidlDesktop;
        startFolder = start;
    }
    return CutAtNul(dialogs.ChooseFolder(owner, BrowseFolderTitle(), SpecialFolderPath(root), startFolder));
}
