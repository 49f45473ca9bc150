#include "ReceiverProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

namespace {

quint16 FreePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::Any, 0);
    return probe.serverPort();
}

} // namespace

ReceiverProcess::ReceiverProcess(const QString& programPath)
{
    if (!folder_.isValid()) {
        return;
    }
    QFile::copy(programPath, ProgramPath());
    QDir().mkdir(StorageFolder());
    port_ = FreePort();
    WriteSettings(DefaultSettings());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process_.setProcessEnvironment(environment);
    process_.setWorkingDirectory(folder_.path());
}

ReceiverProcess::~ReceiverProcess()
{
    Kill();
}

QString ReceiverProcess::ProgramPath() const
{
    return folder_.path() + QStringLiteral("/Larkspur");
}

QByteArray ReceiverProcess::DefaultSettings() const
{
    return "[SMTP]\r\nPORT=" + QByteArray::number(port_) + "\r\nFOLDER=" + StorageFolder().toUtf8() +
           "\r\nWAVFILE=\r\nDIALOG=0\r\nSOUND=0\r\n";
}

void ReceiverProcess::WriteSettings(const QByteArray& text)
{
    QFile file(folder_.path() + QStringLiteral("/Larkspur.ini"));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(text);
    }
}

bool ReceiverProcess::Start()
{
    process_.start(ProgramPath(), {});
    return process_.waitForStarted(20000) && WaitListening();
}

bool ReceiverProcess::WaitListening()
{
    return QTest::qWaitFor(
        [this] {
            if (process_.state() == QProcess::NotRunning) {
                return true;
            }
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, port_);
            const bool connected = probe.waitForConnected(1000);
            probe.abort();
            return connected;
        },
        60000) &&
           process_.state() == QProcess::Running;
}

bool ReceiverProcess::RunToEnd(QByteArray* errorOutput, int* exitCode)
{
    process_.start(ProgramPath(), {});
    const bool ended = process_.waitForStarted(20000) && process_.waitForFinished(60000);
    if (errorOutput) {
        *errorOutput = ErrorOutput();
    }
    if (exitCode) {
        *exitCode = process_.exitCode();
    }
    return ended && process_.exitStatus() == QProcess::NormalExit;
}

void ReceiverProcess::Kill()
{
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(20000);
    }
}

QByteArray ReceiverProcess::ErrorOutput()
{
    errors_ += process_.readAllStandardError();
    return errors_;
}

QByteArray ReceiverProcess::ReadStored(const QString& relativePath) const
{
    QFile file(StorageFolder() + u'/' + relativePath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}
