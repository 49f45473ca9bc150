#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

namespace {

QString LockPath(const QString& programPath)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) {
        folder = QDir::tempPath();
    }
    const QByteArray key = QCryptographicHash::hash(QFileInfo(programPath).absoluteFilePath().toUtf8(),
                                                    QCryptographicHash::Sha1)
                               .toHex()
                               .left(16);
    return folder + QStringLiteral("/") + QFileInfo(programPath).completeBaseName() + u'-' +
           QString::fromLatin1(key) + QStringLiteral(".lock");
}

} // namespace

SingleInstance::SingleInstance(const QString& programPath)
    : lock_(std::make_unique<QLockFile>(LockPath(programPath)))
{
    // Never treat a live instance's lock as stale, however old.
    lock_->setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::TryLock()
{
    return lock_->tryLock(0);
}
