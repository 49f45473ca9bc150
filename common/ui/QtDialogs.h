#pragma once

#include "Dialogs.h"

// The real message boxes and pickers, on Qt Widgets.
class QtDialogs : public Dialogs {
public:
    MessageAnswer ShowMessage(const QString& text, const QString& title, MessageIcon icon,
                              MessageButtons buttons) override;
    void ShowNotice(const QString& text, const QString& title, MessageIcon icon) override;
    QString ChooseFolder(QObject* owner, const QString& title, const QString& startFolder) override;
    QString ChooseFile(QObject* owner, const QString& title, const QString& start,
                       const QStringList& filters) override;
    QString ChooseSaveFile(QObject* owner, const QString& title, const QString& proposedPath) override;
};
