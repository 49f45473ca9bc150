#include "FrmControl.h"

#include "ArrivalPopups.h"
#include "Dialogs.h"
#include "JapaneseFont.h"
#include "PathJoin.h"
#include "PlatformHelpers.h"
#include "ReadableFormVersion.h"
#include "ReceiverService.h"
#include "ServiceEventLog.h"
#include "SessionEngine.h"
#include "SettingsFile.h"
#include "SettingsLocation.h"
#include "SocketStatusReport.h"
#include "Twips.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QValidator>

namespace {

const QString StartCaption = QStringLiteral("スタート");
const QString StopCaption = QStringLiteral("ストップ");
const QString StartFailedTitle = QStringLiteral("スタート失敗");
const QString AcceptFailedText = QStringLiteral("接続を受け付けられません");
const QString ExitQuestion = QStringLiteral("本当に終了していいですか？");
const QString ExitTitle = QStringLiteral("終了確認");
const QString WavDialogTitle = QStringLiteral("WAVファイルを選んでください");
const QStringList WavDialogFilters = {QStringLiteral("WAVファイル (*.wav)"), QStringLiteral("すべて(*.*)")};

// Limits what the user types, not what the program puts in the box.
class MaxTypedLength : public QValidator {
public:
    MaxTypedLength(int length, QObject* parent) : QValidator(parent), length_(length) {}
    State validate(QString& input, int&) const override
    {
        return input.size() <= length_ ? Acceptable : Invalid;
    }

private:
    int length_;
};

// The box keeps its face and size and draws them narrower where needed, so
// that a port of five digits shows whole in its fixed width.
void FitFiveDigits(QLineEdit* box)
{
    QStyleOptionFrame option;
    option.initFrom(box);
    option.lineWidth = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box);
    // The line edit keeps two pixels free on either side of its text and
    // one after it for the cursor.
    const int room = box->style()->subElementRect(QStyle::SE_LineEditContents, &option, box).width() - 5;
    QFont font = box->font();
    for (int stretch = 100; stretch >= 50; stretch -= 5) {
        font.setStretch(stretch);
        if (QFontMetrics(font).horizontalAdvance(QStringLiteral("65535")) <= room) {
            break;
        }
    }
    box->setFont(font);
}

Qt::CheckState CheckStateOf(int value)
{
    switch (value) {
    case SwitchOn:
        return Qt::Checked;
    case SwitchGrayed:
        return Qt::PartiallyChecked;
    default:
        return Qt::Unchecked;
    }
}

int ValueOf(const QCheckBox* box)
{
    switch (box->checkState()) {
    case Qt::Checked:
        return SwitchOn;
    case Qt::PartiallyChecked:
        return SwitchGrayed;
    case Qt::Unchecked:
        break;
    }
    return SwitchOff;
}

} // namespace

FrmControl::FrmControl(const Environment& environment)
    : env_(environment)
{
    service_ = std::make_unique<ReceiverService>(
        ReceiverService::Environment{*this, env_.dialogs, env_.clock, env_.programBaseName, env_.folderProbe});
    popups_ = std::make_unique<ArrivalPopups>(env_.player);
    service_->SetNotifier(popups_.get());
    // The same event lines as without a window, for an operator who started
    // the program from a terminal.
    new ServiceEventLog(*service_, env_.clock); // a child of the service
    connect(service_.get(), &ReceiverService::StoreFailed, this, [this](const StoreFailure& failure) {
        ShowTrouble(Trouble::StoreFailed, failure.reason, failure.path);
    });
    connect(service_.get(), &ReceiverService::AcceptFailed, this, [this](const QString& description) {
        ShowTrouble(Trouble::AcceptFailing, AcceptFailedText, description);
    });
    // Accepting works again: its report goes, a store failure shown since stays.
    connect(service_.get(), &ReceiverService::AcceptRecovered, this, [this] {
        if (trouble_ == Trouble::AcceptFailing) {
            ShowTrouble(Trouble::None);
        }
    });
    connect(service_.get(), &ReceiverService::ListenerFailed, this, [this] { SetListeningState(false); });
    BuildWidgets();
}

FrmControl::~FrmControl()
{
    service_.reset();
}

SessionEngine& FrmControl::Engine()
{
    return service_->Engine();
}

void FrmControl::BuildWidgets()
{
    setObjectName(QStringLiteral("FrmControl"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(TwipsRect(0, 0, 5535, 3060).size());
    setFont(JapaneseFont(9));

    const auto place = [this](QWidget* widget, const char* name, QRect rect) {
        widget->setObjectName(QLatin1String(name));
        widget->setGeometry(rect);
    };
    const QFont designFont = JapaneseFont(9.75);

    label1_ = new QLabel(QStringLiteral("サーバーアドレス"), this);
    place(label1_, "Label1", TwipsRect(120, 120, 1335, 255));
    txtmyhost_ = new QLineEdit(this);
    place(txtmyhost_, "txtmyhost", TwipsRect(1680, 120, 3735, 270));
    txtmyhost_->setReadOnly(true);

    label2_ = new QLabel(QStringLiteral("ポートNo."), this);
    place(label2_, "Label2", TwipsRect(120, 480, 1095, 255));
    txtMyPort_ = new QLineEdit(SettingsNames::DefaultPort, this);
    place(txtMyPort_, "TxtMyPort", TwipsRect(1680, 480, 615, 285));
    txtMyPort_->setFont(designFont);
    txtMyPort_->setValidator(new MaxTypedLength(5, txtMyPort_));
    FitFiveDigits(txtMyPort_);

    label3_ = new QLabel(QStringLiteral("保管フォルダー"), this);
    place(label3_, "Label3", TwipsRect(120, 840, 1335, 255));
    txtFolder_ = new QLineEdit(this);
    place(txtFolder_, "TxtFolder", TwipsRect(1680, 840, 2775, 270));
    txtFolder_->setFont(designFont);
    btnDir_ = new QPushButton(QStringLiteral("参　照"), this);
    place(btnDir_, "BtnDir", TwipsRect(4560, 840, 735, 375));

    chkDialog_ = new QCheckBox(QStringLiteral("メッセージをポップアップする"), this);
    place(chkDialog_, "ChkDialog", TwipsRect(1080, 1200, 2535, 255));
    chkSound_ = new QCheckBox(QStringLiteral("音を鳴らす"), this);
    place(chkSound_, "ChkSound", TwipsRect(1080, 1440, 2535, 375));

    label5_ = new QLabel(QStringLiteral("WAVファイル"), this);
    place(label5_, "Label5", TwipsRect(120, 1920, 1215, 255));
    label5_->setFont(designFont);
    txtWAVFile_ = new QLineEdit(this);
    place(txtWAVFile_, "TxtWAVFile", TwipsRect(1680, 1920, 2775, 270));
    btnWAVFile_ = new QPushButton(QStringLiteral("参　照"), this);
    place(btnWAVFile_, "BtnWAVFile", TwipsRect(4560, 1920, 735, 375));

    btnStatus_ = new QPushButton(QStringLiteral("ソケット状況"), this);
    place(btnStatus_, "BtnStatus", TwipsRect(2520, 2280, 1215, 375));
    btnStatus_->setFont(designFont);
    lblBASP_ = new QLabel(this);
    place(lblBASP_, "LblBASP", TwipsRect(0, 2520, 2055, 495));
    lblBASP_->setFont(JapaneseFont(8.25));
    btnStart_ = new QPushButton(this);
    place(btnStart_, "BtnStart", TwipsRect(3960, 2400, 1455, 495));

    // Where a message that could not be stored is reported, without a box
    // that would hold up the service: two lines in the free space left of
    // BtnStatus, the reason above the path. Its foot reaches two pixels into
    // the top of LblBASP, whose one line stands in its middle.
    lblStoreFailure_ = new QLabel(this);
    place(lblStoreFailure_, "LblStoreFailure", TwipsRect(120, 2190, 2340, 360));
    lblStoreFailure_->setFont(JapaneseFont(8.25));
    lblStoreFailure_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblStoreFailure_->setStyleSheet(QStringLiteral("color: #c00000;"));

    setTabOrder(txtFolder_, btnDir_);
    setTabOrder(btnDir_, txtMyPort_);
    setTabOrder(txtMyPort_, chkDialog_);
    setTabOrder(chkDialog_, txtmyhost_);
    setTabOrder(txtmyhost_, btnStart_);
    setTabOrder(btnStart_, chkSound_);
    setTabOrder(chkSound_, txtWAVFile_);
    setTabOrder(txtWAVFile_, btnWAVFile_);
    setTabOrder(btnWAVFile_, btnStatus_);

    connect(btnStart_, &QPushButton::clicked, this, &FrmControl::BtnStart_Click);
    connect(btnDir_, &QPushButton::clicked, this, &FrmControl::BtnDir_Click);
    connect(btnWAVFile_, &QPushButton::clicked, this, &FrmControl::BtnWAVFile_Click);
    connect(btnStatus_, &QPushButton::clicked, this, &FrmControl::BtnStatus_Click);
    connect(chkSound_, &QCheckBox::clicked, this, &FrmControl::ChkSound_Click);
    connect(txtWAVFile_, &QLineEdit::textChanged, this, &FrmControl::TxtWAVFile_Change);
    for (QCheckBox* box : {chkDialog_, chkSound_}) {
        // A grayed box from the settings file becomes a plain two-state box
        // once the user clicks it.
        connect(box, &QCheckBox::clicked, box, [box] { box->setTristate(false); });
    }

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void FrmControl::Load()
{
    lblBASP_->setText(ReadableFormVersion());
    setWindowTitle(ReceiverProgramName + QStringLiteral(" Ver1.1"));
    txtmyhost_->setText(StreamSocket::LocalHostName() + QStringLiteral(" (") + StreamSocket::LocalIP() +
                        QStringLiteral(")"));

    const ReceiverSettings settings = ReadOrCreateSettings(SettingsFilePath(), env_.firstRun).settings;
    txtMyPort_->setText(settings.port);
    txtFolder_->setText(settings.folder);
    txtWAVFile_->setText(settings.wavFile);
    chkDialog_->setCheckState(CheckStateOf(settings.dialog));
    chkSound_->setCheckState(CheckStateOf(settings.sound));
    ChkSound_Click();

    SetListeningState(false);
    BtnStart_Click();
}

QString FrmControl::SettingsFilePath() const
{
    return SettingsFileLocation(env_.programFolder, env_.programBaseName + QLatin1String(".ini"));
}

QString FrmControl::PortText() const
{
    return txtMyPort_->text();
}

QString FrmControl::FolderText() const
{
    return txtFolder_->text();
}

int FrmControl::DialogSwitch() const
{
    return ValueOf(chkDialog_);
}

int FrmControl::SoundSwitch() const
{
    return ValueOf(chkSound_);
}

QString FrmControl::WavFileText() const
{
    return txtWAVFile_->text();
}

void FrmControl::SetListeningState(bool listening)
{
    listening_ = listening;
    txtMyPort_->setReadOnly(listening);
    txtFolder_->setReadOnly(listening);
    btnDir_->setEnabled(!listening);
    btnStart_->setText(listening ? StopCaption : StartCaption);
}

void FrmControl::BtnStart_Click()
{
    if (!listening_) {
        const StartResult result = service_->Start();
        if (!result.Ok()) {
            env_.dialogs.ShowMessage(result.reason, StartFailedTitle, MessageIcon::Critical, MessageButtons::Ok);
            return;
        }
        SetListeningState(true);
        return;
    }
    SetListeningState(false);
    service_->Stop();
}

// A cancelled picker changes nothing: the field keeps what the user had.
void FrmControl::BtnDir_Click()
{
    const QString chosen = BrowseFolder(env_.dialogs, this, txtFolder_->text());
    if (!chosen.isEmpty()) {
        txtFolder_->setText(chosen);
    }
}

void FrmControl::BtnWAVFile_Click()
{
    const QString chosen =
        env_.dialogs.ChooseFile(this, WavDialogTitle, PickerStart(txtWAVFile_->text()), WavDialogFilters);
    if (!chosen.isEmpty()) {
        txtWAVFile_->setText(chosen);
    }
}

void FrmControl::BtnStatus_Click()
{
    env_.dialogs.ShowMessage(SocketStatusReport(Engine()), QStringLiteral("WinSock Status"), MessageIcon::Information,
                             MessageButtons::Ok);
}

void FrmControl::ChkSound_Click()
{
    if (!SoundSwitchAllowed(txtWAVFile_->text())) {
        chkSound_->setCheckState(Qt::Unchecked);
    }
}

void FrmControl::TxtWAVFile_Change()
{
    ChkSound_Click();
}

void FrmControl::ShowTrouble(Trouble trouble, const QString& reason, const QString& detail)
{
    trouble_ = trouble;
    if (trouble == Trouble::None) {
        lblStoreFailure_->clear();
        lblStoreFailure_->setToolTip(QString());
        return;
    }
    // The reason above the detail; a detail too long for its line loses its
    // middle, and the tool tip keeps the whole text.
    const QFontMetrics metrics(lblStoreFailure_->font());
    lblStoreFailure_->setText(reason + u'\n' + metrics.elidedText(detail, Qt::ElideMiddle, lblStoreFailure_->width()));
    lblStoreFailure_->setToolTip(reason + QStringLiteral(": ") + detail);
}

void FrmControl::closeEvent(QCloseEvent* event)
{
    if (unloaded_) {
        event->accept();
        return;
    }
    const MessageAnswer answer =
        env_.dialogs.ShowMessage(ExitQuestion, ExitTitle, MessageIcon::None, MessageButtons::YesNo);
    // A stop signal that came while the question waited has ended the window
    // already, without writing the settings.
    if (unloaded_ || answer != MessageAnswer::Yes) {
        event->setAccepted(unloaded_);
        return;
    }
    ShutDown();
    SaveSettings(SettingsFilePath(), {txtMyPort_->text(), txtFolder_->text(), txtWAVFile_->text(), DialogSwitch(),
                                      SoundSwitch()});
    unloaded_ = true;
    event->accept();
}

void FrmControl::StopOnSignal()
{
    if (unloaded_) {
        return;
    }
    ShutDown();
    unloaded_ = true;
    close();
}

void FrmControl::ShutDown()
{
    if (listening_) {
        service_->Stop();
    }
    popups_->CloseAll();
}
