#include "FrmView.h"

#include "Dialogs.h"
#include "JapaneseFont.h"
#include "LogLocation.h"
#include "MessageText.h"
#include "PollingInterval.h"
#include "ReadableForm.h"
#include "SystemText.h"
#include "Twips.h"

#include <QAction>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTimer>

namespace {

constexpr int GridWidthTwips = 4700;
constexpr int DateTimeWidthTwips = 2300;
constexpr int DomainWidthTwips = 2000;

} // namespace

FrmView::FrmView(Dialogs& dialogs, QString programFolder, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      dialogs_(dialogs),
      programFolder_(std::move(programFolder))
{
    BuildWidgets();
}

void FrmView::BuildWidgets()
{
    setObjectName(QStringLiteral("FrmView"));
    setFont(JapaneseFont(9.75));

    QPoint screenOrigin;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        screenOrigin = screen->geometry().topLeft();
    }
    setGeometry(TwipsRect(4500, 4380, 7110, 5700).translated(screenOrigin));
    setFixedSize(TwipsRect(0, 0, 7110, 5700).size());

    LogList_ = new QLabel(this);
    LogList_->setObjectName(QStringLiteral("LogList"));
    LogList_->setGeometry(TwipsRect(240, 120, 4455, 255));

    model_ = new ArrivalListModel(log_, this);
    loader_ = std::make_unique<ArrivalLogLoader>(*model_);
    nextSlice_ = new QTimer(this);
    nextSlice_->setSingleShot(true);
    nextSlice_->setInterval(0);
    connect(nextSlice_, &QTimer::timeout, this, &FrmView::LoadSlice);
    FGList_ = new QTableView(this);
    FGList_->setObjectName(QStringLiteral("FGList"));
    FGList_->setGeometry(TwipsRect(120, 480, GridWidthTwips, 1455));
    FGList_->setModel(model_);
    FGList_->verticalHeader()->hide();
    // One text line per row, as a grid shows it, rather than the style's roomy default.
    FGList_->verticalHeader()->setDefaultSectionSize(FGList_->fontMetrics().height() + 4);
    FGList_->horizontalHeader()->setSectionsMovable(false);
    FGList_->horizontalHeader()->setStretchLastSection(false);
    FGList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FGList_->setSelectionMode(QAbstractItemView::SingleSelection);
    FGList_->setTabKeyNavigation(false);
    FGList_->setWordWrap(false);
    FGList_->setColumnWidth(0, TwipsToPixels(DateTimeWidthTwips));
    FGList_->setColumnWidth(1, TwipsToPixels(DomainWidthTwips));
    FGList_->setSelectionBehavior(QAbstractItemView::SelectRows);
    // The view ignores heading clicks while it selects whole rows.
    connect(FGList_->horizontalHeader(), &QHeaderView::sectionPressed, this, &FrmView::SelectWholeColumn);
    // clicked, not currentChanged: moving with the keys shows nothing.
    connect(FGList_, &QTableView::clicked, this, &FrmView::FGList_Click);

    btnrefresh_ = new QPushButton(QStringLiteral("強制リフレッシュ"), this);
    btnrefresh_->setObjectName(QStringLiteral("btnrefresh"));
    btnrefresh_->setGeometry(TwipsRect(5040, 960, 1695, 375));
    connect(btnrefresh_, &QPushButton::clicked, this, &FrmView::btnrefresh_Click);

    Label1_ = new QLabel(QStringLiteral("インターバル"), this);
    Label1_->setObjectName(QStringLiteral("Label1"));
    Label1_->setGeometry(TwipsRect(4920, 1680, 975, 255));
    Label1_->setFont(JapaneseFont(9));

    TxtInterval_ = new QLineEdit(QStringLiteral("2"), this);
    TxtInterval_->setObjectName(QStringLiteral("TxtInterval"));
    TxtInterval_->setGeometry(TwipsRect(6000, 1680, 375, 285));

    Label2_ = new QLabel(QStringLiteral("秒"), this);
    Label2_->setObjectName(QStringLiteral("Label2"));
    Label2_->setGeometry(TwipsRect(6600, 1680, 375, 255));

    TxtMail_ = new QPlainTextEdit(this);
    TxtMail_->setObjectName(QStringLiteral("TxtMail"));
    TxtMail_->setGeometry(TwipsRect(120, 2040, 6855, 3615));
    TxtMail_->setFont(JapaneseFont(9));
    TxtMail_->setReadOnly(true);
    TxtMail_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    TxtMail_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    TxtMail_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    // The stored text stays one step away; the choice holds for later clicks.
    showSource_ = new QAction(QStringLiteral("ソースを表示"), this);
    showSource_->setObjectName(QStringLiteral("ShowSource"));
    showSource_->setCheckable(true);
    showSource_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_U));
    addAction(showSource_);
    connect(showSource_, &QAction::toggled, this, &FrmView::ShowMessage);
    TxtMail_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(TxtMail_, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
        QMenu* menu = TxtMailMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(TxtMail_->viewport()->mapToGlobal(position));
    });

    TimerRefresh_ = new QTimer(this);
    TimerRefresh_->setObjectName(QStringLiteral("TimerRefresh"));
    connect(TimerRefresh_, &QTimer::timeout, this, &FrmView::TimerRefresh_Timer);

    setTabOrder(TxtMail_, FGList_);
    setTabOrder(FGList_, LogList_);
    setTabOrder(LogList_, btnrefresh_);
    setTabOrder(btnrefresh_, TxtInterval_);
    setTabOrder(TxtInterval_, Label1_);
    setTabOrder(Label1_, Label2_);
    TxtMail_->setFocus();

    // Connected last: the initial text is not a change by the user.
    connect(TxtInterval_, &QLineEdit::textChanged, this, &FrmView::ApplyInterval);
}

bool FrmView::Load()
{
    setWindowTitle(QStringLiteral("Larkglass Ver1.0"));
    if (!LocateLog()) {
        return false;
    }
    ResetGrid();
    LoadLogList();
    ApplyInterval();
    StartTimer();
    return true;
}

bool FrmView::LocateLog()
{
    // Nothing is wrong on a first run: the receiver has not written the file yet.
    if (const QString settings = SettingsFilePath(programFolder_); !QFileInfo::exists(settings)) {
        dialogs_.ShowMessage(QStringLiteral("Larkspur の設定ファイル（%1）がまだありません。\n"
                                            "先に「Larkspur メール受信」（コマンド Larkspur）を一度起動してください。"
                                            "保管フォルダーが設定され、Larkglass でメールを読めるようになります。")
                                 .arg(settings),
                             QStringLiteral("Larkglass"), MessageIcon::Information, MessageButtons::Ok);
        return false;
    }
    const std::optional<QString> folder = ReadStorageFolder(programFolder_);
    if (!folder) {
        dialogs_.ShowMessage(QStringLiteral("Iniファイルが不正です。"), QStringLiteral("スタート失敗"),
                             MessageIcon::Critical, MessageButtons::Ok);
        return false;
    }
    storageFolderPath_ = *folder;
    logPath_ = ArrivalLogPath(storageFolderPath_);
    logWatch_ = LogWatch(logPath_);
    LogList_->setText(QStringLiteral("ログリスト(") + logPath_ + QStringLiteral(")"));
    return true;
}

void FrmView::ResetGrid()
{
    nextSlice_->stop();
    loader_->Stop();
    model_->Clear();
    LayOutGrid();
}

void FrmView::LayOutGrid()
{
    FGList_->resize(TwipsToPixels(GridWidthTwips), FGList_->height());
    FGList_->setColumnWidth(0, TwipsToPixels(DateTimeWidthTwips));
    FGList_->setColumnWidth(1, TwipsToPixels(DomainWidthTwips));
    FGList_->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Whatever was selected before, no data row is after a reload.
    FGList_->selectionModel()->clear();
}

void FrmView::LoadLogList()
{
    model_->SetStorageFolderLength(storageFolderPath_.size());
    loader_->SetLogPath(logPath_);
    loader_->StartWhole();
    LoadSlice();
}

void FrmView::UpdateLogList()
{
    // The receiver only appends: while the rows listed are still the log's
    // first lines, the new lines are added below them.
    if (!loader_->StartAppended()) {
        ResetGrid();
        LoadLogList();
        return;
    }
    LayOutGrid();
    LoadSlice();
}

void FrmView::LoadSlice()
{
    // The rows read so far are listed and clickable while the rest waits
    // for the next pass of the event loop.
    if (loader_->ReadSlice()) {
        nextSlice_->start();
        return;
    }
    if (recordWhenLoaded_) {
        recordWhenLoaded_ = false;
        logWatch_.Record(loader_->LoadedStamp());
    }
}

void FrmView::ApplyInterval()
{
    TimerRefresh_->setInterval(PollingIntervalMs(TxtInterval_->text()));
    if (timerEnabled_ && TimerRefresh_->interval() > 0) {
        TimerRefresh_->start();
    } else {
        TimerRefresh_->stop();
    }
}

void FrmView::StartTimer()
{
    timerEnabled_ = true;
    if (TimerRefresh_->interval() > 0) {
        TimerRefresh_->start();
    }
}

void FrmView::StopTimer()
{
    timerEnabled_ = false;
    TimerRefresh_->stop();
}

void FrmView::TimerRefresh_Timer()
{
    // A load under way reads on to the log's end and records the stamp then.
    if (loader_->Loading() || !logWatch_.Changed()) {
        return;
    }
    recordWhenLoaded_ = true;
    UpdateLogList();
}

void FrmView::btnrefresh_Click()
{
    StopTimer();
    recordWhenLoaded_ = true;
    ResetGrid();
    LoadLogList();
    StartTimer();
}

void FrmView::FGList_Click(const QModelIndex& index)
{
    // Grid rows count from 1; row 0 is the heading.
    const std::optional<QString> path = rowMap_.Find(index.row() + 1);
    std::optional<QByteArray> bytes = path ? ReadMessageBytes(*path) : std::nullopt;
    if (!bytes) {
        dialogs_.ShowMessage(QStringLiteral("指定行のデータはないようです。削除したり移動していませんか？"),
                             QStringLiteral("エラー"), MessageIcon::Exclamation, MessageButtons::Ok);
        return;
    }
    shownMessage_ = std::move(bytes);
    ShowMessage();
}

void FrmView::ShowMessage()
{
    if (!shownMessage_) {
        return;
    }
    TxtMail_->setPlainText(showSource_->isChecked() ? FromSystemBytes(*shownMessage_) : ReadableForm(*shownMessage_));
}

QMenu* FrmView::TxtMailMenu()
{
    QMenu* menu = TxtMail_->createStandardContextMenu();
    menu->addSeparator();
    menu->addAction(showSource_);
    return menu;
}

void FrmView::SelectWholeColumn(int column)
{
    FGList_->setSelectionBehavior(QAbstractItemView::SelectColumns);
    FGList_->selectColumn(column);
    FGList_->setSelectionBehavior(QAbstractItemView::SelectRows);
}
