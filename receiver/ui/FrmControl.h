#pragma once

#include "ControlValues.h"
#include "FirstRunSettings.h"
#include "FolderProbe.h"
#include "ReceiverService.h"

#include <QString>
#include <QWidget>

#include <memory>

class ArrivalPopups;
class Clock;
class Dialogs;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class SessionEngine;
class WavePlayer;

// The receiver's one window: start/stop, the port and storage folder, the
// arrival notification switches, the WAV file and the socket status. Its
// widgets are the only copy of the settings while it runs; the service it
// drives reads them through ControlValues at the moment it needs a value.
class FrmControl : public QWidget, public ControlValues {
    Q_OBJECT
public:
    struct Environment {
        Dialogs& dialogs;
        WavePlayer& player;
        Clock& clock;
        QString programFolder;   // where the settings file lies
        QString programBaseName; // names the settings file and the arrival log
        const FolderProbe& folderProbe = ReceiverService::DefaultFolderProbe();
        // Written to the settings file when there is none.
        ReceiverSettings firstRun = FirstRunSettings();
    };

    explicit FrmControl(const Environment& environment);
    ~FrmControl() override;

    // The start-up sequence up to the automatic start. The single-instance
    // check happens before the window is made. Without a settings file the
    // first-run settings are written first, so the automatic start listens.
    void Load();

    // On SIGINT or SIGTERM: the service stops and the pop-ups close as on a
    // confirmed exit, and the window closes without asking. The settings are
    // not written: only the operator's confirmed exit writes them.
    void StopOnSignal();

    // Whether the window has ended: the operator confirmed the exit (the
    // settings are saved) or a stop signal came. The service is down.
    bool IsUnloaded() const { return unloaded_; }

    QString PortText() const override;
    QString FolderText() const override;
    int DialogSwitch() const override;
    int SoundSwitch() const override;
    QString WavFileText() const override;

    ReceiverService& Service() { return *service_; }
    SessionEngine& Engine();
    ArrivalPopups& Popups() { return *popups_; }

    void BtnStart_Click();
    void BtnDir_Click();
    void BtnWAVFile_Click();
    void BtnStatus_Click();
    void ChkSound_Click();
    void TxtWAVFile_Change();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // What the trouble line below the fields tells of, if anything.
    enum class Trouble { None, StoreFailed, AcceptFailing };

    void BuildWidgets();
    void SetListeningState(bool listening);
    void ShutDown();
    void ShowTrouble(Trouble trouble, const QString& reason = {}, const QString& detail = {});
    QString SettingsFilePath() const;

    Environment env_;
    std::unique_ptr<ArrivalPopups> popups_;
    std::unique_ptr<ReceiverService> service_;
    bool listening_ = false;
    Trouble trouble_ = Trouble::None;
    bool unloaded_ = false;

    QLabel* label1_ = nullptr;
    QLineEdit* txtmyhost_ = nullptr;
    QLabel* label2_ = nullptr;
    QLineEdit* txtMyPort_ = nullptr;
    QLabel* label3_ = nullptr;
    QLineEdit* txtFolder_ = nullptr;
    QPushButton* btnDir_ = nullptr;
    QCheckBox* chkDialog_ = nullptr;
    QCheckBox* chkSound_ = nullptr;
    QLabel* label5_ = nullptr;
    QLineEdit* txtWAVFile_ = nullptr;
    QPushButton* btnWAVFile_ = nullptr;
    QPushButton* btnStatus_ = nullptr;
    QLabel* lblBASP_ = nullptr;
    QPushButton* btnStart_ = nullptr;
    QLabel* lblStoreFailure_ = nullptr;
};
