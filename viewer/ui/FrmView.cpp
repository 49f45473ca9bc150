#include "FrmView.h"

#include "ArrivalGrid.h"
#include "AttachmentFiles.h"
#include "DefaultApplication.h"
#include "Dialogs.h"
#include "FrmViewLayout.h"
#include "JapaneseFont.h"
#include "LogLocation.h"
#include "MessageText.h"
#include "PathJoin.h"
#include "PollingInterval.h"
#include "Twips.h"
#include "ViewerSettings.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTimer>

namespace {

// Date and time, domain, sender, subject.
constexpr int ColumnWidthsTwips[] = {2300, 2000, 2400, 4500};

} // namespace

FrmView::FrmView(Dialogs& dialogs, DefaultApplication& desktop, QString programFolder, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      dialogs_(dialogs),
      desktop_(desktop),
      programFolder_(std::move(programFolder))
{
    BuildWidgets();
}

FrmView::~FrmView() = default;

void FrmView::BuildWidgets()
{
    setObjectName(QStringLiteral("FrmView"));
    setFont(JapaneseFont(9.75));

    setMinimumSize(FrmViewDesignSize());
    resize(FrmViewDesignSize());

    LogList_ = new QLabel(this);
    LogList_->setObjectName(QStringLiteral("LogList"));

    model_ = new ArrivalListModel(log_, this);
    loader_ = std::make_unique<ArrivalLogLoader>(*model_);
    nextSlice_ = new QTimer(this);
    nextSlice_->setSingleShot(true);
    nextSlice_->setInterval(0);
    connect(nextSlice_, &QTimer::timeout, this, &FrmView::LoadSlice);
    FGList_ = new ArrivalGrid(this);
    FGList_->setObjectName(QStringLiteral("FGList"));
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
    for (int column = 0; column < model_->columnCount(); ++column) {
        FGList_->setColumnWidth(column, TwipsToPixels(ColumnWidthsTwips[column]));
    }
    FGList_->setSelectionBehavior(QAbstractItemView::SelectRows);
    // The view ignores heading clicks while it selects whole rows.
    connect(FGList_->horizontalHeader(), &QHeaderView::sectionPressed, this, &FrmView::SelectWholeColumn);
    // clicked, not currentChanged: moving with the keys shows nothing.
    connect(FGList_, &QTableView::clicked, this, &FrmView::FGList_Click);

    btnrefresh_ = new QPushButton(QStringLiteral("強制リフレッシュ"), this);
    btnrefresh_->setObjectName(QStringLiteral("btnrefresh"));
    connect(btnrefresh_, &QPushButton::clicked, this, &FrmView::btnrefresh_Click);

    Label1_ = new QLabel(QStringLiteral("インターバル"), this);
    Label1_->setObjectName(QStringLiteral("Label1"));
    Label1_->setFont(JapaneseFont(9));

    TxtInterval_ = new QLineEdit(QStringLiteral("2"), this);
    TxtInterval_->setObjectName(QStringLiteral("TxtInterval"));

    Label2_ = new QLabel(QStringLiteral("秒"), this);
    Label2_->setObjectName(QStringLiteral("Label2"));

    TxtMail_ = new QPlainTextEdit(this);
    TxtMail_->setObjectName(QStringLiteral("TxtMail"));
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
    ApplyLayout();
}

void FrmView::ApplyLayout()
{
    const FrmViewLayout layout = LayOutFrmView(size());
    LogList_->setGeometry(layout.logList);
    FGList_->setGeometry(layout.grid);
    btnrefresh_->setGeometry(layout.refresh);
    Label1_->setGeometry(layout.intervalCaption);
    TxtInterval_->setGeometry(layout.interval);
    Label2_->setGeometry(layout.secondsCaption);
    TxtMail_->setGeometry(layout.mail);
    ShowLogCaption();
}

void FrmView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    ApplyLayout();
}

void FrmView::ShowLogCaption()
{
    const QString caption = logPath_.isEmpty() ? QString() : QStringLiteral("ログリスト(") + logPath_ + QStringLiteral(")");
    LogList_->setToolTip(caption);
    LogList_->setText(LogList_->fontMetrics().elidedText(caption, Qt::ElideMiddle, LogList_->width()));
}

void FrmView::ApplyViewerSettings()
{
    const ViewerSettings settings = LoadViewerSettings(ViewerSettingsPath(programFolder_));
    const QSize client = settings.windowSize.isValid() ? settings.windowSize.expandedTo(minimumSize()) : size();
    QPoint place = TwipsRect(4500, 4380, 0, 0).topLeft();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        place = FrmViewPlace(client, screen->geometry(), screen->availableGeometry());
    }
    setGeometry(QRect(place, client));
    for (int column = 0; column < settings.columnWidths.size() && column < model_->columnCount(); ++column) {
        FGList_->setColumnWidth(column, settings.columnWidths.at(column));
    }
}

void FrmView::closeEvent(QCloseEvent* event)
{
    QList<int> columnWidths;
    for (int column = 0; column < model_->columnCount(); ++column) {
        columnWidths.append(FGList_->columnWidth(column));
    }
    SaveViewerSettings(ViewerSettingsPath(programFolder_), {size(), columnWidths});
    QWidget::closeEvent(event);
}

bool FrmView::Load()
{
    setWindowTitle(QStringLiteral("Larkglass Ver1.0"));
    if (!LocateLog()) {
        return false;
    }
    ApplyViewerSettings();
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
    ShowLogCaption();
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
    // The grid's size follows the window and its column widths are the
    // user's, so a reload keeps both.
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
    shownIndex_ = model_->MessageIndex(index.row());
    ShowMessage();
}

void FrmView::ShowMessage()
{
    if (!shownMessage_) {
        return;
    }
    const ShownText shown = showSource_->isChecked() ? StoredText(*shownMessage_) : ReadableText(*shownMessage_);
    TxtMail_->setPlainText(shown.text);
    ScrollMailTo(shown.text, shown.StartOf(shownIndex_));
}

void FrmView::ScrollMailTo(const QString& text, qsizetype position)
{
    // The text box holds CR LF as one line break.
    const qsizetype inDocument = position - QStringView(text).first(position).count(u"\r\n");
    QTextCursor cursor(TxtMail_->document());
    cursor.setPosition(int(std::min<qsizetype>(inDocument, TxtMail_->document()->characterCount() - 1)));
    TxtMail_->setTextCursor(cursor);
    TxtMail_->verticalScrollBar()->setValue(cursor.block().firstLineNumber());
}

QMenu* FrmView::TxtMailMenu()
{
    QMenu* menu = TxtMail_->createStandardContextMenu();
    menu->addSeparator();
    menu->addAction(showSource_);
    menu->addSeparator();
    const QList<MessageAttachment> attachments =
        shownMessage_ ? AttachmentsOfMessage(*shownMessage_, shownIndex_) : QList<MessageAttachment>();
    AddAttachmentMenu(*menu, QStringLiteral("添付ファイルを保存…"), attachments, &FrmView::SaveAttachment);
    AddAttachmentMenu(*menu, QStringLiteral("添付ファイルを開く"), attachments, &FrmView::OpenAttachment);
    return menu;
}

void FrmView::AddAttachmentMenu(QMenu& menu, const QString& title, const QList<MessageAttachment>& attachments,
                                void (FrmView::*act)(const MessageAttachment&))
{
    QMenu* list = menu.addMenu(title);
    list->setEnabled(!attachments.isEmpty());
    for (const MessageAttachment& attachment : attachments) {
        list->addAction(AttachmentCaption(attachment), this, [this, act, attachment] { (this->*act)(attachment); });
    }
}

void FrmView::SaveAttachment(const MessageAttachment& attachment)
{
    const QString downloads = QDir::toNativeSeparators(QStandardPaths::writableLocation(QStandardPaths::DownloadLocation));
    const QString path = dialogs_.ChooseSaveFile(this, QStringLiteral("添付ファイルを保存"),
                                                 JoinPath(downloads, SafeFileName(attachment)));
    if (!path.isEmpty() && !WriteChosenFile(path, attachment.bytes)) {
        dialogs_.ShowMessage(QStringLiteral("添付ファイルを保存できません: %1").arg(path), QStringLiteral("エラー"),
                             MessageIcon::Exclamation, MessageButtons::Ok);
    }
}

void FrmView::OpenAttachment(const MessageAttachment& attachment)
{
    if (!openedCopies_) {
        // Made readable by the user alone; removed with the window.
        openedCopies_ = std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("Larkglass-XXXXXX")));
    }
    const std::optional<QString> copy =
        openedCopies_->isValid()
            ? WriteNewFile(QDir::toNativeSeparators(openedCopies_->path()), SafeFileName(attachment), attachment.bytes)
            : std::nullopt;
    if (!copy || !desktop_.OpenFile(*copy)) {
        dialogs_.ShowMessage(QStringLiteral("添付ファイルを開けません: %1").arg(SafeFileName(attachment)),
                             QStringLiteral("エラー"), MessageIcon::Exclamation, MessageButtons::Ok);
    }
}

void FrmView::SelectWholeColumn(int column)
{
    FGList_->setSelectionBehavior(QAbstractItemView::SelectColumns);
    FGList_->selectColumn(column);
    FGList_->setSelectionBehavior(QAbstractItemView::SelectRows);
}
