#pragma once

#include "Dialogs.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>

#include <utility>

// Records every box and dialog and answers from queues, so no test waits
// for a person. Unanswered questions get Ok / No / "".
class FakeDialogs : public Dialogs {
public:
    struct Shown {
        QString text;
        QString title;
        MessageIcon icon = MessageIcon::None;
        MessageButtons buttons = MessageButtons::Ok;
        bool modal = true;
    };
    struct FolderRequest {
        QString title;
        QString startFolder;
    };
    struct FileRequest {
        QString title;
        QString start;
        QStringList filters;
    };

    MessageAnswer ShowMessage(const QString& text, const QString& title, MessageIcon icon,
                              MessageButtons buttons) override;
    void ShowNotice(const QString& text, const QString& title, MessageIcon icon) override;
    QString ChooseFolder(QObject* owner, const QString& title, const QString& startFolder) override;
    QString ChooseFile(QObject* owner, const QString& title, const QString& start,
                       const QStringList& filters) override;
    QString ChooseSaveFile(QObject* owner, const QString& title, const QString& proposedPath) override;

    void Reset();

    QList<Shown> messages;
    QList<FolderRequest> folderRequests;
    QList<FileRequest> fileRequests;
    // Save dialogs as title and proposed path.
    QList<std::pair<QString, QString>> saveRequests;
    QQueue<MessageAnswer> nextAnswers;
    QQueue<QString> nextFolders;
    QQueue<QString> nextFiles;
    QQueue<QString> nextSaveFiles;
};
