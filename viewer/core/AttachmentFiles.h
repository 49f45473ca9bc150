#pragma once

#include "MessageAttachments.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

// The attachments of the message-th message of a message file (from 0),
// or of every message in it.
QList<MessageAttachment> AttachmentsOfMessage(QByteArrayView file, int message);
QList<MessageAttachment> AttachmentsOfFile(QByteArrayView file);

// How the viewer lists an attachment: "name (type, size バイト)".
QString AttachmentCaption(const MessageAttachment& attachment);

// A name an attachment can be written under inside a folder, never a path:
// separators and the characters no file name on Linux or Windows can hold
// become "_", and so does each leading dot; a name too long for a file is
// cut before its extension. A part without a name gets "名前なし" and the
// usual extension of its type.
QString SafeFileName(const MessageAttachment& attachment);

// Writes bytes to a new file of that name in the folder; when the name is
// taken, to "name (2).ext", "name (3).ext", and so on. An existing file or
// link is never written through. The path written, or nothing when the
// folder does not take the file.
std::optional<QString> WriteNewFile(const QString& folder, const QString& fileName, const QByteArray& bytes);

// Writes the whole file at a path the user chose, replacing it only once
// the new content is complete.
bool WriteChosenFile(const QString& path, const QByteArray& bytes);
