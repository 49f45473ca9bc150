#pragma once

#include "Dialogs.h"

#include <cstdio>

// Dialogs for a program without a window: every message goes to a stream
// as "title: text", a question counts as answered Yes, a picker as
// cancelled. Nothing waits for a person.
class PrintedDialogs : public Dialogs {
public:
    explicit PrintedDialogs(std::FILE* stream = stderr) : stream_(stream) {}

    MessageAnswer ShowMessage(const QString& text, const QString& title, MessageIcon icon,
                              MessageButtons buttons) override;
    void ShowNotice(const QString& text, const QString& title, MessageIcon icon) override;
    QString ChooseFolder(QObject* owner, const QString& title, const QString& startFolder) override;
    QString ChooseFile(QObject* owner, const QString& title, const QString& start,
                       const QStringList& filters) override;

private:
    std::FILE* stream_;
};
