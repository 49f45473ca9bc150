#include "FakeDialogs.h"

MessageAnswer FakeDialogs::ShowMessage(const QString& text, const QString& title, MessageIcon icon,
                                       MessageButtons buttons)
{
    messages.append({text, title, icon, buttons, true});
    if (!nextAnswers.isEmpty()) {
        return nextAnswers.dequeue();
    }
    return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
}

void FakeDialogs::ShowNotice(const QString& text, const QString& title, MessageIcon icon)
{
    messages.append({text, title, icon, MessageButtons::Ok, false});
}

QString FakeDialogs::ChooseFolder(QObject*, const QString& title, const QString& startFolder)
{
    folderRequests.append({title, startFolder});
    return nextFolders.isEmpty() ? QString() : nextFolders.dequeue();
}

QString FakeDialogs::ChooseFile(QObject*, const QString& title, const QString& start,
                                const QStringList& filters)
{
    fileRequests.append({title, start, filters});
    return nextFiles.isEmpty() ? QString() : nextFiles.dequeue();
}

QString FakeDialogs::ChooseSaveFile(QObject*, const QString& title, const QString& proposedPath)
{
    saveRequests.append({title, proposedPath});
    return nextSaveFiles.isEmpty() ? QString() : nextSaveFiles.dequeue();
}

void FakeDialogs::Reset()
{
    messages.clear();
    folderRequests.clear();
    fileRequests.clear();
    saveRequests.clear();
    nextAnswers.clear();
    nextFolders.clear();
    nextFiles.clear();
    nextSaveFiles.clear();
}
