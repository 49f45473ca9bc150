#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// The built receiver run as a user would: copied into a folder of its own
// with a settings file beside it, on the offscreen platform.
class ReceiverProcess {
public:
    // Copies the executable at programPath into a new temporary folder, with
    // a storage folder "mail" and a free port in its settings file.
    explicit ReceiverProcess(const QString& programPath);
    ~ReceiverProcess();

    bool IsValid() const { return folder_.isValid(); }
    QString Folder() const { return folder_.path(); }
    QString ProgramPath() const;
    QString StorageFolder() const { return folder_.path() + QStringLiteral("/mail"); }
    quint16 Port() const { return port_; }

    // Replaces the settings file with these bytes.
    void WriteSettings(const QByteArray& text);
    // The usual settings: the port, the storage folder, notifications off.
    QByteArray DefaultSettings() const;

    // Starts the program and waits until its port takes connections.
    bool Start(const QStringList& arguments = {});
    // Starts the program and waits for it to end by itself.
    bool RunToEnd(QByteArray* errorOutput = nullptr, int* exitCode = nullptr, const QStringList& arguments = {});
    // Waits until the error output holds the text.
    bool WaitForError(const QString& text);
    bool WaitListening();
    void Kill();
    QProcess& Process() { return process_; }
    QByteArray ErrorOutput();

    QByteArray ReadStored(const QString& relativePath) const;

private:
    QTemporaryDir folder_;
    QProcess process_;
    quint16 port_ = 0;
    QByteArray errors_;
};
