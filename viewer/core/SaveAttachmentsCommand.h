#pragma once

#include <QCommandLineOption>
#include <QIODevice>
#include <QString>

// "--save-attachments FILE DIR": every attachment of every message in the
// message file FILE written into the folder DIR, with no display and no
// settings file.
QCommandLineOption SaveAttachmentsOption();

// Writes each attachment under a safe name of its own (never replacing a
// file) and the path of each file written as one line on out: status 0.
// A file that cannot be read or a folder that does not take the files
// gives a message on err and status 1.
int SaveAttachments(const QString& path, const QString& folder, QIODevice& out, QIODevice& err);
