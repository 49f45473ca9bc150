#pragma once

#include <QString>
#include <QtGlobal>
#include <QStringList>

class QObject;

enum class MessageIcon { None, Information, Exclamation, Critical };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

// Every message box and file or folder dialog of both programs goes
// through this, so tests answer them without a person.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Modal: returns when the user has answered.
    virtual MessageAnswer ShowMessage(const QString& text, const QString& title, MessageIcon icon,
                                      MessageButtons buttons) = 0;

    // Modeless: returns at once and leaves the box on screen, so nothing
    // waits for the user (socket errors while the service keeps running).
    virtual void ShowNotice(const QString& text, const QString& title, MessageIcon icon) = 0;

    // Folder picker opened at startFolder; "" when cancelled.
    virtual QString ChooseFolder(QObject* owner, const QString& title, const QString& startFolder) = 0;

    // Open-file dialog for an existing file, opened at start (a folder, or a
    // file to preselect in its folder); filters as Qt name filters
    // ("WAV (*.wav)"). Returns the file name, "" when cancelled.
    virtual QString ChooseFile(QObject* owner, const QString& title, const QString& start,
                               const QStringList& filters) = 0;

    // Save dialog that proposes a path (folder and file name); returns the
    // path chosen, "" when cancelled. Dialogs that cannot ask a person
    // answer as cancelled.
    virtual QString ChooseSaveFile(QObject* owner, const QString& title, const QString& proposedPath)
    {
        Q_UNUSED(owner);
        Q_UNUSED(title);
        Q_UNUSED(proposedPath);
        return {};
    }
};
