#pragma once

#include "AppendFile.h"

#include <QByteArray>
#include <QString>

// The bytes of one message while it arrives. Up to SpillBytes they stay in
// memory, so most messages reach their final file in one write; beyond
// that they go to a file of their own in the spool folder as they come, so
// memory stays flat however large the message. Destroyed, the spool file
// goes with it.
class SpooledMessage {
public:
    static constexpr qsizetype SpillBytes = 1024 * 1024;

    explicit SpooledMessage(QString spoolFolder) : spoolFolder_(std::move(spoolFolder)) {}
    SpooledMessage(const SpooledMessage&) = delete;
    SpooledMessage& operator=(const SpooledMessage&) = delete;
    ~SpooledMessage();

    // False once the spool could not take the bytes; the message is then lost.
    bool Append(QByteArrayView bytes);

    bool Failed() const { return failed_; }
    qint64 Size() const { return size_; }
    bool InMemory() const { return !spilled_; }
    // The message while it is in memory.
    const QByteArray& Bytes() const { return bytes_; }
    // The spool file once the message left memory (its path, when it failed).
    AppendFile& File() { return file_; }
    // Hands the spool file over after it was moved to its final name.
    AppendFile TakeFile();

private:
    bool Spill();
    void RemoveFile();

    QString spoolFolder_;
    QByteArray bytes_;
    AppendFile file_;
    qint64 size_ = 0;
    bool spilled_ = false;
    bool failed_ = false;
};

// The spool folder's name in the storage folder: hidden, and reserved so no
// domain folder takes it (see DomainFolderName).
QString SpoolFolderName(const QString& programBaseName);

// Removes the spool files a run that ended abruptly left behind, and the
// folder when it is empty.
void RemoveSpoolLeftovers(const QString& spoolFolder);
