#include "AttachmentFiles.h"

#include "MessageFile.h"
#include "PathJoin.h"
#include "SystemText.h"

#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QSaveFile>

namespace {

// Linux holds 255 bytes in a name, Windows 255 UTF-16 units.
constexpr qsizetype MaxNameBytes = 255;
constexpr qsizetype MaxNameUnits = 255;
// An extension longer than this is taken as part of the name.
constexpr qsizetype MaxExtension = 16;
// Room kept for " (nnnn)" when the name is taken.
constexpr qsizetype NumberRoom = 8;

bool UnsafeInFileName(QChar c)
{
    return c.unicode() < 0x20 || c.unicode() == 0x7f || QStringView(u"/\\:*?\"<>|").contains(c);
}

bool Fits(const QString& name)
{
    return name.size() + NumberRoom <= MaxNameUnits && ToSystemBytes(name).size() + NumberRoom <= MaxNameBytes;
}

// "name.ext" as "name" and ".ext"; a dot at the start begins no extension.
std::pair<QString, QString> SplitExtension(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0 || name.size() - dot > MaxExtension) {
        return {name, {}};
    }
    return {name.first(dot), name.sliced(dot)};
}

QString Numbered(const QString& name, int number)
{
    const auto [base, extension] = SplitExtension(name);
    return QStringLiteral("%1 (%2)%3").arg(base).arg(number).arg(extension);
}

} // namespace

QList<MessageAttachment> AttachmentsOfMessage(QByteArrayView file, int message)
{
    for (qsizetype from = 0, index = 0; from < file.size(); ++index) {
        const StoredMessage stored = NextStoredMessage(file, from);
        if (index == message) {
            return MessageAttachments(Unstuffed(stored));
        }
        from = stored.next;
    }
    return {};
}

QList<MessageAttachment> AttachmentsOfFile(QByteArrayView file)
{
    QList<MessageAttachment> attachments;
    for (qsizetype from = 0; from < file.size();) {
        const StoredMessage stored = NextStoredMessage(file, from);
        attachments.append(MessageAttachments(Unstuffed(stored)));
        from = stored.next;
    }
    return attachments;
}

QString AttachmentCaption(const MessageAttachment& attachment)
{
    const QString name = attachment.name.isEmpty() ? QStringLiteral("名前なし") : attachment.name;
    return QStringLiteral("%1 (%2, %3 バイト)").arg(name, attachment.type).arg(attachment.bytes.size());
}

QString SafeFileName(const MessageAttachment& attachment)
{
    QString name;
    for (const QChar c : attachment.name.trimmed()) {
        name.append(UnsafeInFileName(c) ? QChar(u'_') : c);
    }
    for (qsizetype i = 0; i < name.size() && name.at(i) == u'.'; ++i) {
        name[i] = u'_';
    }
    if (name.isEmpty()) {
        const QString suffix = QMimeDatabase().mimeTypeForName(attachment.type).preferredSuffix();
        name = QStringLiteral("名前なし") + (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
    }
    auto [base, extension] = SplitExtension(name);
    while (!base.isEmpty() && !Fits(base + extension)) {
        base.chop(base.size() > 1 && base.back().isLowSurrogate() ? 2 : 1);
    }
    return base.isEmpty() ? QStringLiteral("_") + extension : base + extension;
}

std::optional<QString> WriteNewFile(const QString& folder, const QString& fileName, const QByteArray& bytes)
{
    // Numbers beyond this mean something else is wrong with the folder.
    constexpr int MostTries = 10000;
    for (int number = 1; number <= MostTries; ++number) {
        const QString path = JoinPath(folder, number == 1 ? fileName : Numbered(fileName, number));
        const QFileInfo info(path);
        if (info.exists() || info.isSymLink()) {
            continue;
        }
        // Created here or not at all: a link or file put there meanwhile
        // makes the open fail rather than be written through.
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            return std::nullopt;
        }
        if (file.write(bytes) != bytes.size() || !file.flush()) {
            file.remove();
            return std::nullopt;
        }
        return path;
    }
    return std::nullopt;
}

bool WriteChosenFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}
