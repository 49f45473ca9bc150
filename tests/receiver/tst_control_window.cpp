#include "ArrivalPopups.h"
#include "FakeDialogs.h"
#include "FrmControl.h"
#include "FrmMsg.h"
#include "ManualClock.h"
#include "RecordingWavePlayer.h"
#include "SessionEngine.h"
#include "TestClient.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <memory>

namespace {
const QString Start = QStringLiteral("スタート");
const QString Stop = QStringLiteral("ストップ");
const QString StartFailed = QStringLiteral("スタート失敗");

quint16 FreePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::Any, 0);
    return probe.serverPort();
}
} // namespace

class ControlWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void firstRunWritesTheDefaultsAndListens();
    void settingsFileWithoutPortAndFolderIsReadAsItIs();
    void widgetsStandWhereTheLayoutPutsThem_data();
    void widgetsStandWhereTheLayoutPutsThem();
    void tabOrderFollowsTheLayout();
    void readableFormVersionIsShown();
    void soundOnArrivalGoesThroughThePlayer();
    void startAfterChoosingAFolderLocksTheFields();
    void stopAndStartAgain();
    void pickersOpenAtTheValueAndACancelKeepsIt();
    void startThatCannotListenStaysStopped_data();
    void startThatCannotListenStaysStopped();
    void listenerErrorReturnsToStopped();
    void folderThatRefusesFilesIsAStartFailure();
    void settingsAreLoadedIntoTheWidgets();
    void portBoxShowsAndTakesFiveDigits();
    void soundSwitchFollowsTheWavPath();
    void wavFileDialog();
    void statusReportWithOneClientAndAfterItsClose();
    void popupsPerMessageAndClosedByTheirButton();
    void storeFailureIsShownInTheWindow();
    void acceptTroubleGoesWhenAcceptingWorksAgain();
    void exitAnsweredNoKeepsRunning();
    void exitAnsweredYesOrStopSignalShutsDown_data();
    void exitAnsweredYesOrStopSignalShutsDown();

private:
    void WriteSettings(const QByteArray& text);
    // The window on a settings file that names no port or folder (as the
    // test wrote it), so it opens stopped after the start-failure box.
    void MakeWindow();
    template <typename T> T* Find(const char* name) { return window_->findChild<T*>(QLatin1String(name)); }
    QString StorageFolder() const { return dir_->path() + QStringLiteral("/mail"); }
    QString SettingsFile() const { return dir_->path() + QStringLiteral("/Larkspur.ini"); }
    QString Home() const { return dir_->path() + QStringLiteral("/home"); }
    void StartOnFreePort();

    std::unique_ptr<QTemporaryDir> dir_;
    FakeDialogs dialogs_;
    RecordingWavePlayer player_;
    ManualClock clock_;
    // A folder that refuses new files, as the probe would find it.
    struct RefusingProbe : FolderProbe {
        QString WriteProblem(const QString&) const override { return problem; }
        QString problem;
    } probe_;
    std::unique_ptr<FrmControl> window_;
    // The first-run port; the test's own so that nothing else holds it.
    QString firstRunPort_;
};

void ControlWindowTest::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    QVERIFY(QDir().mkdir(StorageFolder()));
    QVERIFY(QDir().mkdir(Home()));
    qputenv("HOME", Home().toUtf8());
    WriteSettings("[SMTP]\r\n");
    dialogs_.Reset();
    player_.played.clear();
    probe_.problem.clear();
}

void ControlWindowTest::cleanup()
{
    window_.reset();
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        delete widget;
    }
}

void ControlWindowTest::WriteSettings(const QByteArray& text)
{
    QFile file(SettingsFile());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

void ControlWindowTest::MakeWindow()
{
    ReceiverSettings firstRun = FirstRunSettings();
    firstRun.port = firstRunPort_;
    window_ = std::make_unique<FrmControl>(FrmControl::Environment{dialogs_, player_, clock_, dir_->path(),
                                                                   QStringLiteral("Larkspur"), probe_, firstRun});
    window_->Load();
    window_->show();
}

void ControlWindowTest::StartOnFreePort()
{
    Find<QLineEdit>("TxtMyPort")->setText(QString::number(FreePort()));
    Find<QLineEdit>("TxtFolder")->setText(StorageFolder());
    if (Find<QPushButton>("BtnStart")->text() == Start) {
        QTest::mouseClick(Find<QPushButton>("BtnStart"), Qt::LeftButton);
    }
    QCOMPARE(Find<QPushButton>("BtnStart")->text(), Stop);
}

void ControlWindowTest::firstRunWritesTheDefaultsAndListens()
{
    QVERIFY(QFile::remove(SettingsFile()));
    firstRunPort_ = QString::number(FreePort());
    MakeWindow();
    const QString mail = dir_->path() + QStringLiteral("/home/LarkspurMail");
    QFile settings(SettingsFile());
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QCOMPARE(settings.readAll(), "[SMTP]\r\nPORT=" + firstRunPort_.toUtf8() + "\r\nFOLDER=" + mail.toUtf8() +
                                     "\r\nWAVFILE=\r\nDIALOG=0\r\nSOUND=0\r\n");
    QVERIFY(QFileInfo(mail).isDir());
    QCOMPARE(Find<QPushButton>("BtnStart")->text(), Stop);
    QVERIFY(dialogs_.messages.isEmpty());
    TestClient client(static_cast<quint16>(firstRunPort_.toInt()));
    QCOMPARE(client.NextReply(), QByteArray("220 Larkspur Ver1.1 Ready\r\n"));
}

void ControlWindowTest::settingsFileWithoutPortAndFolderIsReadAsItIs()
{
    MakeWindow();
    QCOMPARE(window_->windowTitle(), QStringLiteral("Larkspur Ver1.1"));
    QCOMPARE(Find<QLineEdit>("TxtMyPort")->text(), QStringLiteral("25"));
    QCOMPARE(Find<QLineEdit>("TxtFolder")->text(), QString());
    QCOMPARE(Find<QLineEdit>("TxtWAVFile")->text(), QString());
    QCOMPARE(Find<QCheckBox>("ChkDialog")->checkState(), Qt::Unchecked);
    QCOMPARE(Find<QCheckBox>("ChkSound")->checkState(), Qt::Unchecked);
    QCOMPARE(Find<QPushButton>("BtnStart")->text(), Start);
    QVERIFY(!Find<QLineEdit>("TxtFolder")->isReadOnly());
    QCOMPARE(dialogs_.messages.size(), 1);
    QCOMPARE(dialogs_.messages[0].text,
             QStringLiteral("ポートNo.もしくはフォルダー指定が不適切です。スタートできません。"));
    QCOMPARE(dialogs_.messages[0].title, StartFailed);
    QCOMPARE(dialogs_.messages[0].icon, MessageIcon::Critical);
    const QString host = Find<QLineEdit>("txtmyhost")->text();
    QVERIFY2(host.contains(QStringLiteral(" (")) && host.endsWith(u')'), qPrintable(host));
    QFile settings(SettingsFile());
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QCOMPARE(settings.readAll(), QByteArray("[SMTP]\r\n"));
    QVERIFY(!QFileInfo::exists(Home() + QStringLiteral("/LarkspurMail")));
}

void ControlWindowTest::widgetsStandWhereTheLayoutPutsThem_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("pixels"); // the layout's twips at 15 to a pixel
    QTest::addColumn<QString>("caption");
    const auto row = [](const char* name, QRect pixels, const QString& caption) {
        QTest::newRow(name) << QString::fromLatin1(name) << pixels << caption;
    };
    row("Label1", {8, 8, 89, 17}, QStringLiteral("サーバーアドレス"));
    row("txtmyhost", {112, 8, 249, 18}, QString());
    row("Label2", {8, 32, 73, 17}, QStringLiteral("ポートNo."));
    row("TxtMyPort", {112, 32, 41, 19}, QString());
    row("Label3", {8, 56, 89, 17}, QStringLiteral("保管フォルダー"));
    row("TxtFolder", {112, 56, 185, 18}, QString());
    row("BtnDir", {304, 56, 49, 25}, QStringLiteral("参　照"));
    row("ChkDialog", {72, 80, 169, 17}, QStringLiteral("メッセージをポップアップする"));
    row("ChkSound", {72, 96, 169, 25}, QStringLiteral("音を鳴らす"));
    row("Label5", {8, 128, 81, 17}, QStringLiteral("WAVファイル"));
    row("TxtWAVFile", {112, 128, 185, 18}, QString());
    row("BtnWAVFile", {304, 128, 49, 25}, QStringLiteral("参　照"));
    row("BtnStatus", {168, 152, 81, 25}, QStringLiteral("ソケット状況"));
    row("LblBASP", {0, 168, 137, 33}, QString());
    row("BtnStart", {264, 160, 97, 33}, Start);
}

void ControlWindowTest::widgetsStandWhereTheLayoutPutsThem()
{
    QFETCH(QString, name);
    QFETCH(QRect, pixels);
    QFETCH(QString, caption);
    MakeWindow();
    auto* widget = window_->findChild<QWidget*>(name);
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), pixels);
    QString text;
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        text = label->text();
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        text = button->text();
    }
    if (!caption.isEmpty()) {
        QCOMPARE(text, caption);
    }
    QCOMPARE(window_->size(), QSize(369, 204));
    QCOMPARE(window_->minimumSize(), window_->maximumSize());
    QVERIFY(!(window_->windowFlags() & Qt::WindowMaximizeButtonHint));
}

void ControlWindowTest::tabOrderFollowsTheLayout()
{
    MakeWindow();
    QStringList chain;
    QWidget* widget = Find<QLineEdit>("TxtFolder");
    for (int i = 0; i < 10; ++i) {
        chain.append(widget->objectName());
        widget = widget->nextInFocusChain();
        while (widget->focusPolicy() == Qt::NoFocus || widget->objectName().isEmpty()) {
            widget = widget->nextInFocusChain();
        }
    }
    QCOMPARE(chain, (QStringList{"TxtFolder", "BtnDir", "TxtMyPort", "ChkDialog", "txtmyhost", "BtnStart", "ChkSound",
                                 "TxtWAVFile", "BtnWAVFile", "BtnStatus"}));
}

void ControlWindowTest::readableFormVersionIsShown()
{
    MakeWindow();
    QCOMPARE(Find<QLabel>("LblBASP")->text(), QStringLiteral("GMime " GMIME_PACKAGE_VERSION));
}

void ControlWindowTest::soundOnArrivalGoesThroughThePlayer()
{
    MakeWindow();
    StartOnFreePort();
    QTemporaryFile wav;
    QVERIFY(wav.open());
    Find<QLineEdit>("TxtWAVFile")->setText(wav.fileName());
    Find<QCheckBox>("ChkSound")->click();
    QCOMPARE(window_->SoundSwitch(), 1);
    TestClient client(static_cast<quint16>(window_->Engine().WsckListen().LocalPort()));
    QCOMPARE(client.NextReply(), QByteArray("220 Larkspur Ver1.1 Ready\r\n"));
    client.Exchange("MAIL FROM:<a@b.example>\r\n");
    client.Exchange("DATA\r\n");
    QCOMPARE(client.Exchange("x\r\n.\r\n"), QByteArray("250 OK\r\n"));
    Find<QLineEdit>("TxtWAVFile")->setText(wav.fileName() + QStringLiteral(".missing"));
    client.Exchange("DATA\r\n");
    QCOMPARE(client.Exchange("y\r\n.\r\n"), QByteArray("250 OK\r\n"));
    QCOMPARE(player_.played, (QStringList{wav.fileName(), QStringLiteral("<chime>")}));
    QVERIFY(window_->Popups().List().Open().isEmpty());
}

void ControlWindowTest::startAfterChoosingAFolderLocksTheFields()
{
    MakeWindow();
    dialogs_.Reset();
    dialogs_.nextFolders.enqueue(StorageFolder());
    QTest::mouseClick(Find<QPushButton>("BtnDir"), Qt::LeftButton);
    QCOMPARE(Find<QLineEdit>("TxtFolder")->text(), StorageFolder());

    const quint16 port = FreePort();
    Find<QLineEdit>("TxtMyPort")->setText(QString::number(port));
    QTest::mouseClick(Find<QPushButton>("BtnStart"), Qt::LeftButton);
    QCOMPARE(Find<QPushButton>("BtnStart")->text(), Stop);
    QVERIFY(Find<QLineEdit>("TxtMyPort")->isReadOnly());
    QVERIFY(Find<QLineEdit>("TxtFolder")->isReadOnly());
    QVERIFY(!Find<QPushButton>("BtnDir")->isEnabled());
    QVERIFY(dialogs_.messages.isEmpty());

    TestClient client(port);
    QCOMPARE(client.NextReply(), QByteArray("220 Larkspur Ver1.1 Ready\r\n"));
}

void ControlWindowTest::stopAndStartAgain()
{
    MakeWindow();
    StartOnFreePort();
    const quint16 port = static_cast<quint16>(window_->Engine().WsckListen().LocalPort());
    TestClient client(port);
    QCOMPARE(client.NextReply(), QByteArray("220 Larkspur Ver1.1 Ready\r\n"));
    QTRY_COMPARE_WITH_TIMEOUT(window_->Engine().WsckTran(0).State(), int(StreamSocket::Connected), 20000);

    QTest::mouseClick(Find<QPushButton>("BtnStart"), Qt::LeftButton);
    QCOMPARE(Find<QPushButton>("BtnStart")->text(), Start);
    QVERIFY(!Find<QLineEdit>("TxtMyPort")->isReadOnly());
    QVERIFY(Find<QPushButton>("BtnDir")->isEnabled());
    QCOMPARE(window_->Engine().WsckListen().State(), int(StreamSocket::Closed));
    QVERIFY(client.WaitDisconnected());

    QTest::mouseClick(Find<QPushButton>("BtnStart"), Qt::LeftButton);
    QCOMPARE(Find<QPushButton>("BtnStart")->text(), Stop);
    TestClient again(port);
    QCOMPARE(again.NextReply(), QByteArray("220 Larkspur Ver1.1 Ready\r\n"));
}

void ControlWindowTest::pickersOpenAtTheValueAndACancelKeepsIt()
{
    MakeWindow();
    auto* folder = Find<QLineEdit>("TxtFolder");
    auto* wav = Find<QLineEdit>("TxtWAVFile");
    QTest::mouseClick(Find<QPushButton>("BtnDir"), Qt::LeftButton);
    QTest::mouseClick(Find<QPushButton>("BtnWAVFile"), Qt::LeftButton);
    folder->setText(StorageFolder());
    wav->setText(QStringLiteral("/sounds/bell.wav"));
    Find<QCheckBox>("ChkSound")->click();
    QTest::mouseClick(Find<QPushButton>("BtnDir"), Qt::LeftButton);
    QTest::mouseClick(Find<QPushButton>("BtnWAVFile"), Qt::LeftButton);

    QCOMPARE(folder->text(), StorageFolder());
    QCOMPARE(wav->text(), QStringLiteral("/sounds/bell.wav"));
    QCOMPARE(window_->SoundSwitch(), 1);
    QCOMPARE(dialogs_.folderRequests.size(), 2);
    QCOMPARE(dialogs_.folderRequests[0].title, QStringLiteral("フォルダを選択してください"));
    QCOMPARE(dialogs_.folderRequests[0].startFolder, Home());
    QCOMPARE(dialogs_.folderRequests[1].startFolder, StorageFolder());
    QCOMPARE(dialogs_.fileRequests.size(), 2);
    QCOMPARE(dialogs_.fileRequests[0].start, Home());
    QCOMPARE(dialogs_.fileRequests[1].start, QStringLiteral("/sounds/bell.wav"));
}

void ControlWindowTest::startThatCannotListenStaysStopped_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<bool>("occupied");
    QTest::newRow("letters") << QStringLiteral("abc") << false;
    QTest::newRow("zero") << QStringLiteral("0") << false;
    QTest::newRow("above 65535") << QStringLiteral("65536") << false;
    QTest::newRow("negative") << QStringLiteral("-1") << false;
    QTest::newRow("a fraction") << QStringLiteral("25.5") << false;
    QTest::newRow("a port in use") << QString() << true;
}

void ControlWindowTest::startThatCannotListenStaysStopped()
{
    QFETCH(QString, port);
    QFETCH(bool, occupied);
    QTcpServer occupant;
    if (occupied) {
        QVERIFY(occupant.listen(QHostAddress::Any, 0));
        port = QString::number(occupant.serverPort());
    }
    MakeWindow();
    dialogs_.Reset();
    Find<QLineEdit>("TxtMyPort")->setText(port);
    Find<QLineEdit>("TxtFolder")->setText(StorageFolder());
    QTest::mouseClick(Find<QPushButton>("BtnStart"), Qt::LeftButton);
    QCOMPARE(Find<QPushButton>("BtnStart")->text(), Start);
    QCOMPARE(window_->Engine().WsckListen().State(), int(StreamSocket::Closed));
    QVERIFY(!Find<QLineEdit>("TxtMyPort")->isReadOnly());
    QVERIFY(Find<QPushButton>("BtnDir")->isEnabled());
    QCOMPARE(dialogs_.messages.size(), 1);
    QCOMPARE(dialogs_.messages[0].title, StartFailed);
    QCOMPARE(dialogs_.messages[0].icon, MessageIcon::Critical);
    QVERIFY2(dialogs_.messages[0].text.contains(port), qPrintable(dialogs_.messages[0].text));
}

void ControlWindowTest::listenerErrorReturnsToStopped()
{
    MakeWindow();
    StartOnFreePort();
    window_->Engine().WsckListen_Error(10, QStringLiteral("listener broke"));
    QCOMPARE(dialogs_.messages.last().text, QStringLiteral("10:listener broke"));
    QCOMPARE(Find<QPushButton>("BtnStart")->text(), Start);
    QVERIFY(!Find<QLineEdit>("TxtFolder")->isReadOnly());
    QTest::mouseClick(Find<QPushButton>("BtnStart"), Qt::LeftButton);
    QCOMPARE(Find<QPushButton>("BtnStart")->text(), Stop);
    QCOMPARE(window_->Engine().WsckListen().State(), int(StreamSocket::Listening));
}

void ControlWindowTest::folderThatRefusesFilesIsAStartFailure()
{
    MakeWindow();
    dialogs_.Reset();
    probe_.problem = QStringLiteral("Permission denied");
    Find<QLineEdit>("TxtMyPort")->setText(QString::number(FreePort()));
    Find<QLineEdit>("TxtFolder")->setText(StorageFolder());
    QTest::mouseClick(Find<QPushButton>("BtnStart"), Qt::LeftButton);
    QCOMPARE(Find<QPushButton>("BtnStart")->text(), Start);
    QCOMPARE(window_->Engine().WsckListen().State(), int(StreamSocket::Closed));
    QCOMPARE(dialogs_.messages.size(), 1);
    QCOMPARE(dialogs_.messages[0].text,
             QStringLiteral("保管フォルダー「%1」に書き込めません。(Permission denied)").arg(StorageFolder()));
    QCOMPARE(dialogs_.messages[0].title, StartFailed);
    QCOMPARE(dialogs_.messages[0].icon, MessageIcon::Critical);
}

void ControlWindowTest::settingsAreLoadedIntoTheWidgets()
{
    WriteSettings("[SMTP]\r\nPORT=0\r\nFOLDER=" + StorageFolder().toUtf8() +
                  "\r\nWAVFILE=/sounds/a.wav\r\nDIALOG=2\r\nSOUND=1\r\n");
    MakeWindow();
    QCOMPARE(Find<QLineEdit>("TxtMyPort")->text(), QStringLiteral("0"));
    QCOMPARE(Find<QLineEdit>("TxtFolder")->text(), StorageFolder());
    QCOMPARE(Find<QLineEdit>("TxtWAVFile")->text(), QStringLiteral("/sounds/a.wav"));
    QCOMPARE(Find<QCheckBox>("ChkDialog")->checkState(), Qt::PartiallyChecked);
    QCOMPARE(window_->DialogSwitch(), 2);
    QCOMPARE(Find<QCheckBox>("ChkSound")->checkState(), Qt::Checked);
    QCOMPARE(window_->SoundSwitch(), 1);
}

void ControlWindowTest::portBoxShowsAndTakesFiveDigits()
{
    WriteSettings("[SMTP]\r\nPORT=65535\r\n");
    MakeWindow();
    auto* port = Find<QLineEdit>("TxtMyPort");
    // Where the text starts once painted, with the cursor left at the end:
    // a box too narrow scrolls the first digit out of sight.
    const auto textStart = [port] {
        port->grab();
        port->setCursorPosition(0);
        return port->inputMethodQuery(Qt::ImCursorRectangle).toRect().left();
    };
    QCOMPARE(port->text(), QStringLiteral("65535"));
    const int fiveDigitsStart = textStart();
    port->setText(QStringLiteral("1"));
    QCOMPARE(fiveDigitsStart, textStart());

    port->clear();
    QTest::keyClicks(port, QStringLiteral("655351"));
    QCOMPARE(port->text(), QStringLiteral("65535"));
}

void ControlWindowTest::soundSwitchFollowsTheWavPath()
{
    MakeWindow();
    auto* sound = Find<QCheckBox>("ChkSound");
    auto* wav = Find<QLineEdit>("TxtWAVFile");
    QTest::mouseClick(sound, Qt::LeftButton);
    QCOMPARE(sound->checkState(), Qt::Unchecked);

    wav->setText(QStringLiteral("/no/such.wav"));
    sound->click();
    QCOMPARE(sound->checkState(), Qt::Checked);

    wav->selectAll();
    QTest::keyClick(wav, Qt::Key_Delete);
    QCOMPARE(wav->text(), QString());
    QCOMPARE(sound->checkState(), Qt::Unchecked);
}

void ControlWindowTest::wavFileDialog()
{
    MakeWindow();
    dialogs_.nextFiles.enqueue(QStringLiteral("/sounds/bell.wav"));
    QTest::mouseClick(Find<QPushButton>("BtnWAVFile"), Qt::LeftButton);
    QCOMPARE(Find<QLineEdit>("TxtWAVFile")->text(), QStringLiteral("/sounds/bell.wav"));
    QCOMPARE(dialogs_.fileRequests.size(), 1);
    QCOMPARE(dialogs_.fileRequests[0].title, QStringLiteral("WAVファイルを選んでください"));
    QCOMPARE(dialogs_.fileRequests[0].filters,
             (QStringList{QStringLiteral("WAVファイル (*.wav)"), QStringLiteral("すべて(*.*)")}));
}

void ControlWindowTest::statusReportWithOneClientAndAfterItsClose()
{
    MakeWindow();
    StartOnFreePort();
    const QString port = QString::number(window_->Engine().WsckListen().LocalPort());
    {
        TestClient client(static_cast<quint16>(port.toInt()));
        QCOMPARE(client.NextReply(), QByteArray("220 Larkspur Ver1.1 Ready\r\n"));
        QTRY_COMPARE_WITH_TIMEOUT(window_->Engine().WsckTran(0).State(), int(StreamSocket::Connected), 20000);
        dialogs_.Reset();
        QTest::mouseClick(Find<QPushButton>("BtnStatus"), Qt::LeftButton);
        QCOMPARE(dialogs_.messages[0].text, QStringLiteral("Listen Status:Listening PORT:%1\r\n"
                                                           "Tran(0) Status:Connected PORT:%1\r\n"
                                                           "Tran(1) Status:Close PORT:0\r\n"
                                                           "Tran(2) Status:Close PORT:0\r\n"
                                                           "Tran(3) Status:Close PORT:0\r\n"
                                                           "Tran(4) Status:Close PORT:0\r\n"
                                                           "Msg Status:ClosePORT:0\r\n")
                                                .arg(port));
        QCOMPARE(dialogs_.messages[0].title, QStringLiteral("WinSock Status"));
        QCOMPARE(dialogs_.messages[0].icon, MessageIcon::Information);
        QCOMPARE(dialogs_.messages[0].buttons, MessageButtons::Ok);
    }
    QTRY_COMPARE_WITH_TIMEOUT(window_->Engine().WsckTran(0).State(), int(StreamSocket::Closed), 20000);
    dialogs_.Reset();
    QTest::mouseClick(Find<QPushButton>("BtnStatus"), Qt::LeftButton);
    QVERIFY(dialogs_.messages[0].text.startsWith(
        QStringLiteral("Listen Status:Listening PORT:%1\r\nTran(0) Status:Close PORT:0\r\n").arg(port)));
}

void ControlWindowTest::popupsPerMessageAndClosedByTheirButton()
{
    MakeWindow();
    StartOnFreePort();
    Find<QCheckBox>("ChkDialog")->setCheckState(Qt::Checked);
    TestClient client(static_cast<quint16>(window_->Engine().WsckListen().LocalPort()));
    QCOMPARE(client.NextReply(), QByteArray("220 Larkspur Ver1.1 Ready\r\n"));
    for (const QByteArray& domain : {QByteArray("one.example"), QByteArray("two.example")}) {
        QCOMPARE(client.Exchange("MAIL FROM:<a@" + domain + ">\r\n"), QByteArray("250 OK\r\n"));
        client.Exchange("DATA\r\n");
        QCOMPARE(client.Exchange("Subject: =?ISO-2022-JP?B?GyRCMnE1RCRON28bKEI=?=\r\n\r\n"
                                 "\x1b$B;3ED$G$9!#\x1b(B\r\n.\r\n"),
                 QByteArray("250 OK\r\n"));
    }
    QTRY_COMPARE_WITH_TIMEOUT(window_->Popups().List().Open().size(), 2, 20000);
    const QList<FrmMsg*> open = window_->Popups().List().Open();
    QCOMPARE(open[0]->windowTitle(), QStringLiteral("one.example"));
    QCOMPARE(open[1]->windowTitle(), QStringLiteral("two.example"));
    QCOMPARE(open[0]->findChild<QPushButton*>(QStringLiteral("CmdEnd"))->text(), QStringLiteral("閉 じ る"));
    QCOMPARE(open[1]->findChild<QPlainTextEdit*>(QStringLiteral("TxtMsg"))->toPlainText(),
             QStringLiteral("差出人: \n宛先: \n日付: \n件名: 会議の件\n\n山田です。\n"));
    QVERIFY(open[0]->isVisible() && open[1]->isVisible());
    QTest::mouseClick(open[0]->findChild<QPushButton*>(QStringLiteral("CmdEnd")), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(window_->Popups().List().Open().size(), 1, 20000);
}

void ControlWindowTest::storeFailureIsShownInTheWindow()
{
    MakeWindow();
    StartOnFreePort();
    dialogs_.Reset();
    QVERIFY(QDir(StorageFolder()).removeRecursively());
    TestClient client(static_cast<quint16>(window_->Engine().WsckListen().LocalPort()));
    QCOMPARE(client.NextReply(), QByteArray("220 Larkspur Ver1.1 Ready\r\n"));
    client.Exchange("MAIL FROM:<a@b.example>\r\n");
    client.Exchange("DATA\r\n");
    QCOMPARE(client.Exchange("x\r\n.\r\n"),
             QByteArray("451 Requested action aborted: local error in processing\r\n"));
    auto* failure = Find<QLabel>("LblStoreFailure");
    QCOMPARE(failure->toolTip(), QStringLiteral("保管フォルダーがありません: ") + StorageFolder());
    QCOMPARE(failure->text().section(u'\n', 0, 0), QStringLiteral("保管フォルダーがありません"));
    // Both lines are inside the label, clear of the status button.
    const QRect needed = failure->fontMetrics().boundingRect(failure->rect(), int(failure->alignment()), failure->text());
    QVERIFY2(failure->rect().contains(needed), qPrintable(QStringLiteral("%1x%2").arg(needed.width()).arg(needed.height())));
    QVERIFY(!failure->geometry().intersects(Find<QPushButton>("BtnStatus")->geometry()));
    QVERIFY(dialogs_.messages.isEmpty());
}

void ControlWindowTest::acceptTroubleGoesWhenAcceptingWorksAgain()
{
    MakeWindow();
    auto* trouble = Find<QLabel>("LblStoreFailure");
    emit window_->Service().AcceptFailed(QStringLiteral("開いているファイルが多すぎます"));
    QCOMPARE(trouble->toolTip(), QStringLiteral("接続を受け付けられません: 開いているファイルが多すぎます"));
    emit window_->Service().AcceptRecovered();
    QCOMPARE(trouble->text(), QString());
    // A store failure shown since stays.
    emit window_->Service().AcceptFailed(QStringLiteral("開いているファイルが多すぎます"));
    emit window_->Service().StoreFailed({QStringLiteral("メールを保存できません"), QStringLiteral("/m/b/1.log")});
    emit window_->Service().AcceptRecovered();
    QCOMPARE(trouble->toolTip(), QStringLiteral("メールを保存できません: /m/b/1.log"));
}

void ControlWindowTest::exitAnsweredNoKeepsRunning()
{
    MakeWindow();
    StartOnFreePort();
    dialogs_.Reset();
    dialogs_.nextAnswers.enqueue(MessageAnswer::No);
    window_->close();
    QCOMPARE(dialogs_.messages.size(), 1);
    QCOMPARE(dialogs_.messages[0].text, QStringLiteral("本当に終了していいですか？"));
    QCOMPARE(dialogs_.messages[0].title, QStringLiteral("終了確認"));
    QCOMPARE(dialogs_.messages[0].icon, MessageIcon::None);
    QCOMPARE(dialogs_.messages[0].buttons, MessageButtons::YesNo);
    QVERIFY(window_->isVisible());
    QVERIFY(!window_->IsUnloaded());
    QCOMPARE(window_->Engine().WsckListen().State(), int(StreamSocket::Listening));
    QFile settings(SettingsFile());
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QCOMPARE(settings.readAll(), QByteArray("[SMTP]\r\n"));
}

void ControlWindowTest::exitAnsweredYesOrStopSignalShutsDown_data()
{
    QTest::addColumn<bool>("signal");
    QTest::newRow("exit answered Yes writes the settings") << false;
    QTest::newRow("a stop signal asks nothing and writes nothing") << true;
}

void ControlWindowTest::exitAnsweredYesOrStopSignalShutsDown()
{
    QFETCH(bool, signal);
    MakeWindow();
    StartOnFreePort();
    const QString port = Find<QLineEdit>("TxtMyPort")->text();
    Find<QCheckBox>("ChkDialog")->setCheckState(Qt::Checked);
    TestClient client(static_cast<quint16>(port.toInt()));
    QCOMPARE(client.NextReply(), QByteArray("220 Larkspur Ver1.1 Ready\r\n"));
    client.Exchange("MAIL FROM:<a@b.example>\r\n");
    client.Exchange("DATA\r\n");
    QCOMPARE(client.Exchange("x\r\n.\r\n"), QByteArray("250 OK\r\n"));
    QTRY_COMPARE_WITH_TIMEOUT(window_->Popups().List().Open().size(), 1, 20000);
    dialogs_.Reset();

    if (signal) {
        window_->StopOnSignal();
    } else {
        dialogs_.nextAnswers.enqueue(MessageAnswer::Yes);
        window_->close();
    }
    QVERIFY(window_->IsUnloaded());
    QVERIFY(!window_->isVisible());
    QCOMPARE(dialogs_.messages.size(), signal ? 0 : 1);
    QCOMPARE(window_->Engine().WsckListen().State(), int(StreamSocket::Closed));
    QCOMPARE(window_->Engine().WsckTran(0).State(), int(StreamSocket::Closed));
    QVERIFY(client.WaitDisconnected());
    QTRY_COMPARE_WITH_TIMEOUT(window_->Popups().List().Open().size(), 0, 20000);
    QFile settings(SettingsFile());
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QCOMPARE(settings.readAll(), signal ? QByteArray("[SMTP]\r\n")
                                        : "[SMTP]\r\nPORT=" + port.toUtf8() + "\r\nFOLDER=" +
                                              StorageFolder().toUtf8() + "\r\nWAVFILE=\r\nDIALOG=1\r\nSOUND=0\r\n");
}

QTEST_MAIN(ControlWindowTest)
#include "tst_control_window.moc"
