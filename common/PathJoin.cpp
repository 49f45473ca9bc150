#include "PathJoin.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString JoinPath(const QString& folder, const QString& name)
{
    return folder + QDir::separator() + name;
}

QString ProgramFolder()
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

QString ProgramBaseName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}
