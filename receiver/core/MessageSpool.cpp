#include "MessageSpool.h"

#include "PathJoin.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <unistd.h>

namespace {

// Spool files are named by the process and a running number, so two runs
// sharing the folder never pick the same name.
QString NextSpoolName()
{
    static quint64 counter = 0;
    return QStringLiteral("%1-%2.tmp").arg(QCoreApplication::applicationPid()).arg(++counter);
}

} // namespace

SpooledMessage::~SpooledMessage()
{
    RemoveFile();
}

bool SpooledMessage::Append(QByteArrayView bytes)
{
    if (failed_) {
        return false;
    }
    size_ += bytes.size();
    if (spilled_) {
        failed_ = !file_.Append(bytes);
    } else if (bytes_.size() + bytes.size() <= SpillBytes) {
        bytes_.append(bytes);
    } else {
        failed_ = !Spill() || !file_.Append(bytes);
    }
    if (failed_) {
        // A full disk should not stay fuller for a message that is lost.
        RemoveFile();
        bytes_ = QByteArray();
    }
    return !failed_;
}

bool SpooledMessage::Spill()
{
    spilled_ = true;
    if (spoolFolder_.isEmpty()) {
        return false;
    }
    QDir().mkdir(spoolFolder_);
    file_ = AppendFile::Create(JoinPath(spoolFolder_, NextSpoolName()));
    if (!file_.IsOpen() || !file_.Append(bytes_)) {
        return false;
    }
    bytes_ = QByteArray();
    return true;
}

AppendFile SpooledMessage::TakeFile()
{
    AppendFile taken = std::move(file_);
    file_ = AppendFile();
    ::rmdir(QFile::encodeName(spoolFolder_).constData());
    return taken;
}

void SpooledMessage::RemoveFile()
{
    if (file_.Path().isEmpty()) {
        return;
    }
    const QByteArray path = QFile::encodeName(file_.Path());
    file_.Close();
    ::unlink(path.constData());
    // Only succeeds when no other message is spooled at the moment.
    ::rmdir(QFile::encodeName(spoolFolder_).constData());
    file_ = AppendFile();
}

QString SpoolFolderName(const QString& programBaseName)
{
    return QLatin1Char('.') + programBaseName + QStringLiteral(".spool");
}

void RemoveSpoolLeftovers(const QString& spoolFolder)
{
    QDir folder(spoolFolder);
    const QStringList names = folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        folder.remove(name);
    }
    QDir().rmdir(spoolFolder);
}
