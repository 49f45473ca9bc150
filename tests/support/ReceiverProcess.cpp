#include "ReceiverProcess.h"

#include "FileSystem.h"
#include "SharedNames.h"

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
    return folder_.path() + u'/' + ReceiverProgramName;
}

QByteArray ReceiverProcess::DefaultSettings() const
{
    namespace Names = SettingsNames;
    const auto line = [](QLatin1String key, const QByteArray& value) {
        return key.toString().toUtf8() + '=' + value + "\r\n";
    };
    return '[' + Names::Section.toString().toUtf8() + "]\r\n" + line(Names::Port, QByteArray::number(port_)) +
           line(Names::Folder, StorageFolder().toUtf8()) + line(Names::WavFile, {}) +
           line(Names::Dialog, QByteArray::number(SwitchOff)) + line(Names::Sound, QByteArray::number(SwitchOff));
}

void ReceiverProcess::WriteSettings(const QByteArray& text)
{
    QFile file(folder_.path() + u'/' + SettingsFileName());
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(text);
    }
}

bool ReceiverProcess::Start(const QStringList& arguments)
{
    process_.start(ProgramPath(), arguments);
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

bool ReceiverProcess::RunToEnd(QByteArray* errorOutput, int* exitCode, const QStringList& arguments)
{
    process_.start(ProgramPath(), arguments);
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

bool ReceiverProcess::WaitForError(const QString& text)
{
    return QTest::qWaitFor([&] { return QString::fromUtf8(ErrorOutput()).contains(text); }, 60000);
}

QByteArray ReceiverProcess::ErrorOutput()
{
    errors_ += process_.readAllStandardError();
    return errors_;
}

QByteArray ReceiverProcess::ReadStored(const QString& relativePath) const
{
    return FileSystem().ReadWholeFile(StorageFolder() + u'/' + relativePath).value_or(QByteArray("<missing>"));
}
