#include "FakeDialogs.h"
#include "FrmView.h"
#include "FrmViewLayout.h"
#include "RecordingDefaultApplication.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

#include <memory>

namespace {
// The second test message, read and as stored.
const QString Readable = QStringLiteral("差出人: \n宛先: \n日付: \n件名: テスト\n\n.dot\n========================================\nQUIT\n");
const QString Stored = QStringLiteral("Subject: テスト\n\n..dot\n.\nQUIT\n");
} // namespace

class FrmViewTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void startUp_data();
    void startUp();
    void startUpListsTheLogWithNoRowSelected();
    void missingLogGivesAnEmptyListAndPollingGoesOn();
    void clickOnRowShowsItsMessageFile();
    void clickReadsTheFileAnewEachTime();
    void sourceSwitchHoldsForLaterClicks();
    void headingClickAndKeyboardMovesShowNothing();
    void pollingReloadsOnlyWhenTheLogChanged();
    void clickDuringTheFirstLoadShowsAListedRow();
    void forcedRefreshReloadsAndRestartsPolling_data();
    void forcedRefreshReloadsAndRestartsPolling();
    void newIntervalTakesEffectWhileTyping_data();
    void newIntervalTakesEffectWhileTyping();
    void gridAndTextGrowWithTheWindow();
    void largeWindowOpensWithinTheScreen();
    void sizeAndColumnWidthsAreKeptForTheNextStart();
    void clickedMessageComesFirst();
    void attachmentsOfTheClickedMessageAreSavedAndOpened();

private:
    QString Storage() const { return QDir::toNativeSeparators(programDir_->filePath(QStringLiteral("mail"))); }
    QString LogFile() const { return Storage() + QDir::separator() + QStringLiteral("Larkspur.log"); }
    // The path the receiver would write for a message from domain at that name.
    QString MessagePath(const QString& domain, const QString& name) const
    {
        return Storage() + QDir::separator() + domain + QDir::separator() + name;
    }
    void WriteSettings(const QByteArray& bytes);
    void UseMailFolder() { WriteSettings("[SMTP]\r\nFOLDER=" + Storage().toUtf8() + "\r\n"); }
    void AppendLog(const QString& messagePath);
    void WriteMessage(const QString& path, const QByteArray& bytes);
    // Starts the viewer on the temporary folder with polling paused, so no
    // real tick interferes; false when start-up stopped.
    bool StartViewer(const QString& interval = QStringLiteral("0"));
    void ClickRow(int row);
    void ShowViewer();
    QByteArray ReadFile(const QString& path) const;
    // The viewer, shown, listing a plain message and a UTF-8 one with a
    // dot-stuffed line and text behind its end line.
    void ShowViewerOfTwoMessages();

    template <typename T>
    T* Child(const char* name) const
    {
        T* child = view_->findChild<T*>(QString::fromLatin1(name));
        if (!child) {
            qFatal("no widget %s", name);
        }
        return child;
    }

    std::unique_ptr<QTemporaryDir> programDir_;
    FakeDialogs dialogs_;
    RecordingDefaultApplication desktop_;
    std::unique_ptr<FrmView> view_;
};

void FrmViewTest::init()
{
    programDir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(programDir_->isValid());
    QVERIFY(QDir(programDir_->path()).mkdir(QStringLiteral("mail")));
    dialogs_.Reset();
}

void FrmViewTest::cleanup()
{
    view_.reset();
    programDir_.reset();
}

void FrmViewTest::WriteSettings(const QByteArray& bytes)
{
    QFile file(QDir(programDir_->path()).filePath(QStringLiteral("Larkspur.ini")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

void FrmViewTest::AppendLog(const QString& messagePath)
{
    QFile file(LogFile());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Append));
    const QByteArray line = messagePath.toUtf8() + "\r\n";
    QCOMPARE(file.write(line), line.size());
}

void FrmViewTest::WriteMessage(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

bool FrmViewTest::StartViewer(const QString& interval)
{
    view_ = std::make_unique<FrmView>(dialogs_, desktop_, QDir::toNativeSeparators(programDir_->path()));
    if (!view_->Load()) {
        return false;
    }
    Child<QLineEdit>("TxtInterval")->setText(interval);
    return true;
}

void FrmViewTest::ClickRow(int row)
{
    auto* grid = Child<QTableView>("FGList");
    const QRect cell = grid->visualRect(grid->model()->index(row, 0));
    QVERIFY(cell.isValid());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
}

void FrmViewTest::ShowViewer()
{
    QVERIFY(StartViewer());
    view_->show();
    QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
}

QByteArray FrmViewTest::ReadFile(const QString& path) const
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void FrmViewTest::startUp_data()
{
    QTest::addColumn<bool>("settingsFile");
    QTest::addColumn<QByteArray>("folderValue");
    QTest::addColumn<bool>("goesOn");
    QTest::addColumn<QString>("logPath"); // when it goes on, else the box's title and text

    const QString sep = QDir::separator();
    const QString invalid = QStringLiteral("スタート失敗: Iniファイルが不正です。");
    QTest::newRow("no settings file: start Larkspur first")
        << false << QByteArray() << false
        << QStringLiteral("Larkglass: Larkspur の設定ファイル（<dir>/Larkspur.ini）がまだありません。\n"
                          "先に「Larkspur メール受信」（コマンド Larkspur）を一度起動してください。"
                          "保管フォルダーが設定され、Larkglass でメールを読めるようになります。");
    QTest::newRow("a settings file without FOLDER stops the start") << true << QByteArray() << false << invalid;
    QTest::newRow("FOLDER=x counts as missing") << true << QByteArray("x") << false << invalid;
    QTest::newRow("FOLDER=X is a folder named X") << true << QByteArray("X") << true
                                                  << "X" + sep + "Larkspur.log";
    QTest::newRow("the storage folder holds the log") << true << QByteArray("<mail>") << true
                                                      << "<mail>" + sep + "Larkspur.log";
    QTest::newRow("a folder ending in a separator gives a doubled one")
        << true << QByteArray("<mail>") + QDir::separator().toLatin1() << true
        << "<mail>" + sep + sep + "Larkspur.log";
}

void FrmViewTest::startUp()
{
    QFETCH(bool, settingsFile);
    QFETCH(QByteArray, folderValue);
    QFETCH(bool, goesOn);
    QFETCH(QString, logPath);

    folderValue.replace("<mail>", Storage().toUtf8());
    logPath.replace(QStringLiteral("<mail>"), Storage()).replace(QStringLiteral("<dir>"), programDir_->path());
    if (settingsFile) {
        WriteSettings(folderValue.isNull() ? QByteArray("[SMTP]\r\nPORT=25\r\n")
                                           : "[SMTP]\r\nFOLDER=" + folderValue + "\r\n");
    }

    view_ = std::make_unique<FrmView>(dialogs_, desktop_, QDir::toNativeSeparators(programDir_->path()));
    QCOMPARE(view_->Load(), goesOn);
    QCOMPARE(view_->windowTitle(), QStringLiteral("Larkglass Ver1.0"));
    QVERIFY(!view_->isVisible());
    if (!goesOn) {
        QCOMPARE(dialogs_.messages.size(), 1);
        QCOMPARE(dialogs_.messages[0].title + QStringLiteral(": ") + dialogs_.messages[0].text, logPath);
        QCOMPARE(dialogs_.messages[0].icon, settingsFile ? MessageIcon::Critical : MessageIcon::Information);
        QCOMPARE(dialogs_.messages[0].buttons, MessageButtons::Ok);
        QVERIFY(dialogs_.messages[0].modal);
        QVERIFY(!Child<QTimer>("TimerRefresh")->isActive());
        return;
    }
    QVERIFY(dialogs_.messages.isEmpty());
    QCOMPARE(view_->LogPath(), logPath);
    // Shortened to fit when it must; whole in its tool tip.
    QCOMPARE(Child<QLabel>("LogList")->toolTip(), QStringLiteral("ログリスト(") + logPath + QStringLiteral(")"));
    QCOMPARE(Child<QTimer>("TimerRefresh")->interval(), 2000);
    QVERIFY(Child<QTimer>("TimerRefresh")->isActive());
}

void FrmViewTest::startUpListsTheLogWithNoRowSelected()
{
    UseMailFolder();
    AppendLog(MessagePath(QStringLiteral("b.example"), QStringLiteral("20030512_102233.log")));
    AppendLog(MessagePath(QStringLiteral("a.example"), QStringLiteral("20030325_140509.log")));
    QVERIFY(StartViewer());

    const auto* grid = Child<QTableView>("FGList");
    const QAbstractItemModel* model = grid->model();
    QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("日時"));
    QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("ドメイン"));
    QCOMPARE(model->rowCount(), 2);
    QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("2003/05/12/ 10:22:33"));
    QCOMPARE(model->index(0, 1).data().toString(), QStringLiteral("b.example"));
    QCOMPARE(model->index(1, 0).data().toString(), QStringLiteral("2003/03/25/ 14:05:09"));
    QCOMPARE(model->index(1, 1).data().toString(), QStringLiteral("a.example"));
    QCOMPARE(view_->Rows().Find(QStringLiteral("idx2")),
             MessagePath(QStringLiteral("a.example"), QStringLiteral("20030325_140509.log")));
    QVERIFY(!grid->currentIndex().isValid());
    QVERIFY(!grid->selectionModel()->hasSelection());
    QCOMPARE(Child<QPlainTextEdit>("TxtMail")->toPlainText(), QString());

    // 2300 and 2000 twips, kept through reloads.
    view_->btnrefresh_Click();
    QCOMPARE(grid->columnWidth(0), 153);
    QCOMPARE(grid->columnWidth(1), 133);
}

void FrmViewTest::missingLogGivesAnEmptyListAndPollingGoesOn()
{
    UseMailFolder();
    QVERIFY(StartViewer(QStringLiteral("2")));
    QCOMPARE(Child<QTableView>("FGList")->model()->rowCount(), 0);
    QVERIFY(dialogs_.messages.isEmpty());
    QVERIFY(Child<QTimer>("TimerRefresh")->isActive());
    // Only read, never created.
    QVERIFY(!QFile::exists(LogFile()));

    AppendLog(MessagePath(QStringLiteral("dom1"), QStringLiteral("20030512_102233.log")));
    view_->TimerRefresh_Timer();
    QCOMPARE(Child<QTableView>("FGList")->model()->rowCount(), 1);
}

void FrmViewTest::ShowViewerOfTwoMessages()
{
    UseMailFolder();
    const QString first = MessagePath(QStringLiteral("a.example"), QStringLiteral("20030512_102233.log"));
    const QString second = MessagePath(QStringLiteral("b.example"), QStringLiteral("20030512_102234.log"));
    WriteMessage(first, "first\r\n.\r\n");
    WriteMessage(second, "Subject: \xe3\x83\x86\xe3\x82\xb9\xe3\x83\x88\r\n\r\n..dot\r\n.\r\nQUIT\r\n");
    AppendLog(first);
    AppendLog(second);
    QVERIFY(StartViewer());
    view_->show();
    QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
}

void FrmViewTest::clickOnRowShowsItsMessageFile()
{
    ShowViewerOfTwoMessages();
    if (QTest::currentTestFailed()) {
        return;
    }

    ClickRow(1);

    QVERIFY(dialogs_.messages.isEmpty());
    QCOMPARE(Child<QPlainTextEdit>("TxtMail")->toPlainText(), Readable);
    const auto* grid = Child<QTableView>("FGList");
    QVERIFY(grid->selectionModel()->isRowSelected(1, {}));
    QVERIFY(!grid->selectionModel()->isRowSelected(0, {}));

    // A reload leaves the text but no selection.
    view_->btnrefresh_Click();
    QVERIFY(!grid->selectionModel()->hasSelection());
    QCOMPARE(Child<QPlainTextEdit>("TxtMail")->toPlainText(), Readable);
}

void FrmViewTest::sourceSwitchHoldsForLaterClicks()
{
    ShowViewerOfTwoMessages();
    if (QTest::currentTestFailed()) {
        return;
    }
    auto* mail = Child<QPlainTextEdit>("TxtMail");
    const QRect mailGeometry = mail->geometry();

    ClickRow(1);
    QTest::keyClick(mail, Qt::Key_U, Qt::ControlModifier);
    QCOMPARE(mail->toPlainText(), Stored);
    ClickRow(0);
    QCOMPARE(mail->toPlainText(), QStringLiteral("first\n.\n"));
    ClickRow(1);
    QCOMPARE(mail->toPlainText(), Stored);

    std::unique_ptr<QMenu> menu(view_->TxtMailMenu());
    auto* entry = Child<QAction>("ShowSource");
    QVERIFY(menu->actions().contains(entry));
    QCOMPARE(entry->text(), QStringLiteral("ソースを表示"));
    QVERIFY(entry->isChecked());
    entry->trigger();
    QCOMPARE(mail->toPlainText(), Readable);
    QVERIFY(!entry->isChecked());
    QCOMPARE(mail->geometry(), mailGeometry);
}

void FrmViewTest::clickReadsTheFileAnewEachTime()
{
    UseMailFolder();
    const QString path = MessagePath(QStringLiteral("dom1"), QStringLiteral("20030512_102233.log"));
    WriteMessage(path, "one\r\n.\r\n");
    AppendLog(path);
    QVERIFY(StartViewer());
    view_->show();
    QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
    auto* mail = Child<QPlainTextEdit>("TxtMail");

    ClickRow(0);
    QCOMPARE(mail->toPlainText(), QStringLiteral("one\n"));
    WriteMessage(path, "one\r\n.\r\ntwo\r\n.\r\n");
    ClickRow(0);
    QCOMPARE(mail->toPlainText(), QStringLiteral("one\n========================================\ntwo\n"));
    QVERIFY(dialogs_.messages.isEmpty());

    QVERIFY(QFile::remove(path));
    ClickRow(0);

    QCOMPARE(dialogs_.messages.size(), 1);
    QCOMPARE(dialogs_.messages[0].text,
             QStringLiteral("指定行のデータはないようです。削除したり移動していませんか？"));
    QCOMPARE(dialogs_.messages[0].title, QStringLiteral("エラー"));
    QCOMPARE(dialogs_.messages[0].icon, MessageIcon::Exclamation);
    QCOMPARE(dialogs_.messages[0].buttons, MessageButtons::Ok);
    QCOMPARE(mail->toPlainText(), QStringLiteral("one\n========================================\ntwo\n"));
    QCOMPARE(Child<QTableView>("FGList")->model()->rowCount(), 1);
}

void FrmViewTest::headingClickAndKeyboardMovesShowNothing()
{
    UseMailFolder();
    const QString first = MessagePath(QStringLiteral("dom1"), QStringLiteral("20030512_102233.log"));
    const QString second = MessagePath(QStringLiteral("dom2"), QStringLiteral("20030512_102234.log"));
    WriteMessage(first, "first\r\n");
    WriteMessage(second, "second\r\n");
    AppendLog(first);
    AppendLog(second);
    QVERIFY(StartViewer());
    view_->show();
    QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
    ClickRow(0);
    auto* grid = Child<QTableView>("FGList");

    QTest::keyClick(grid, Qt::Key_Down);
    QCOMPARE(grid->currentIndex().row(), 1);

    // Had the heading counted as a row, the missing file would be reported.
    QVERIFY(QFile::remove(first));
    QHeaderView* header = grid->horizontalHeader();
    const int middle = header->sectionViewportPosition(1) + header->sectionSize(1) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(middle, header->height() / 2));
    QVERIFY(grid->selectionModel()->isColumnSelected(1, {}));
    QVERIFY(!grid->selectionModel()->isColumnSelected(0, {}));

    QVERIFY(dialogs_.messages.isEmpty());
    QCOMPARE(Child<QPlainTextEdit>("TxtMail")->toPlainText(), QStringLiteral("first\n"));
}

void FrmViewTest::pollingReloadsOnlyWhenTheLogChanged()
{
    UseMailFolder();
    const QString first = MessagePath(QStringLiteral("dom1"), QStringLiteral("20030512_102233.log"));
    WriteMessage(first, "first\r\n");
    AppendLog(first);
    QVERIFY(StartViewer());
    view_->show();
    QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
    auto* grid = Child<QTableView>("FGList");
    QSignalSpy resets(grid->model(), &QAbstractItemModel::modelReset);
    QSignalSpy inserted(grid->model(), &QAbstractItemModel::rowsInserted);

    // Nothing is recorded at start-up, so the first tick reloads anyway.
    ClickRow(0);
    view_->TimerRefresh_Timer();
    QVERIFY(!grid->selectionModel()->hasSelection());
    QVERIFY(!grid->currentIndex().isValid());

    grid->selectRow(0);
    view_->TimerRefresh_Timer();
    view_->TimerRefresh_Timer();
    QVERIFY(grid->selectionModel()->isRowSelected(0, {}));
    QCOMPARE(grid->currentIndex().row(), 0);

    // An appended line is added below the rows listed, which stay; the
    // selection rules are those of every reload.
    AppendLog(MessagePath(QStringLiteral("dom2"), QStringLiteral("20030512_102234.log")));
    view_->TimerRefresh_Timer();
    QCOMPARE(resets.size(), 0);
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(grid->model()->rowCount(), 2);
    QCOMPARE(grid->model()->index(0, 1).data().toString(), QStringLiteral("dom1"));
    QCOMPARE(grid->model()->index(1, 1).data().toString(), QStringLiteral("dom2"));
    QCOMPARE(view_->Rows().Find(2), MessagePath(QStringLiteral("dom2"), QStringLiteral("20030512_102234.log")));
    QVERIFY(!grid->selectionModel()->hasSelection());
    QVERIFY(!grid->currentIndex().isValid());
    QCOMPARE(Child<QPlainTextEdit>("TxtMail")->toPlainText(), QStringLiteral("first\n"));
}

void FrmViewTest::clickDuringTheFirstLoadShowsAListedRow()
{
    UseMailFolder();
    const QString first = MessagePath(QStringLiteral("dom0"), QStringLiteral("20030512_102200.log"));
    WriteMessage(first, "first\r\n");
    for (int i = 0; i < 40; ++i) {
        AppendLog(MessagePath(QStringLiteral("dom%1").arg(i), QStringLiteral("20030512_1022%1.log").arg(i, 2, 10, QLatin1Char('0'))));
    }
    QVERIFY(StartViewer());
    view_->show();
    QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
    auto* grid = Child<QTableView>("FGList");
    // A slice of one line or so: the window gets its events between slices.
    view_->SetListSliceBytes(64);

    view_->btnrefresh_Click();
    QVERIFY(view_->ListLoading());
    QVERIFY(grid->model()->rowCount() < 40);
    ClickRow(0);
    QVERIFY(view_->ListLoading());
    QCOMPARE(Child<QPlainTextEdit>("TxtMail")->toPlainText(), QStringLiteral("first\n"));

    QTRY_VERIFY_WITH_TIMEOUT(!view_->ListLoading(), 20000);
    QCOMPARE(grid->model()->rowCount(), 40);
    QCOMPARE(grid->model()->index(39, 1).data().toString(), QStringLiteral("dom39"));
    QVERIFY(grid->selectionModel()->isRowSelected(0, {}));
    QVERIFY(dialogs_.messages.isEmpty());
}

void FrmViewTest::forcedRefreshReloadsAndRestartsPolling_data()
{
    QTest::addColumn<QString>("interval");
    QTest::addColumn<bool>("polling");

    QTest::newRow("polling goes on with its period") << "65" << true;
    QTest::newRow("paused polling stays paused") << "0" << false;
}

void FrmViewTest::forcedRefreshReloadsAndRestartsPolling()
{
    QFETCH(QString, interval);
    QFETCH(bool, polling);

    UseMailFolder();
    const QString first = MessagePath(QStringLiteral("dom1"), QStringLiteral("20030512_102233.log"));
    AppendLog(first);
    AppendLog(MessagePath(QStringLiteral("dom2"), QStringLiteral("20030512_102234.log")));
    QVERIFY(StartViewer(interval));
    view_->TimerRefresh_Timer();
    auto* grid = Child<QTableView>("FGList");
    grid->selectRow(1);
    QSignalSpy resets(grid->model(), &QAbstractItemModel::modelReset);

    QTest::mouseClick(Child<QPushButton>("btnrefresh"), Qt::LeftButton);

    QCOMPARE(resets.size(), 1);
    QVERIFY(!grid->selectionModel()->hasSelection());
    auto* timer = Child<QTimer>("TimerRefresh");
    QCOMPARE(timer->isActive(), polling);
    QCOMPARE(timer->interval(), polling ? 65000 : 0);

    // The stamp was stored: the next poll has nothing to do.
    view_->TimerRefresh_Timer();
    QCOMPARE(resets.size(), 1);

    // A shortened log leaves no rows behind.
    QFile log(LogFile());
    QVERIFY(log.open(QIODevice::WriteOnly | QIODevice::Truncate));
    log.close();
    AppendLog(first);
    QTest::mouseClick(Child<QPushButton>("btnrefresh"), Qt::LeftButton);
    QCOMPARE(grid->model()->rowCount(), 1);
    QCOMPARE(view_->Rows().Count(), 1);
    QCOMPARE(view_->Rows().Find(2), std::nullopt);
}

void FrmViewTest::newIntervalTakesEffectWhileTyping_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("period");

    QTest::newRow("typing 10 polls every ten seconds") << "10" << 10000;
    QTest::newRow("typing 0 stops polling") << "0" << 0;
    QTest::newRow("typing 70 polls every 65 seconds") << "70" << 65000;
    QTest::newRow("typing a letter stops polling") << "x" << 0;
}

void FrmViewTest::newIntervalTakesEffectWhileTyping()
{
    QFETCH(QString, typed);
    QFETCH(int, period);

    UseMailFolder();
    QVERIFY(StartViewer(QStringLiteral("2")));
    auto* box = Child<QLineEdit>("TxtInterval");
    auto* timer = Child<QTimer>("TimerRefresh");
    QVERIFY(timer->isActive());

    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    QCOMPARE(box->text(), QString());
    QVERIFY(!timer->isActive());

    QTest::keyClicks(box, typed);
    QCOMPARE(box->text(), typed);
    QCOMPARE(timer->interval(), period);
    QCOMPARE(timer->isActive(), period > 0);
}

void FrmViewTest::gridAndTextGrowWithTheWindow()
{
    UseMailFolder();
    ShowViewer();
    auto* grid = Child<QTableView>("FGList");
    auto* mail = Child<QPlainTextEdit>("TxtMail");
    auto* caption = Child<QLabel>("LogList");
    // The designed size and places, in pixels.
    QCOMPARE(view_->size(), QSize(474, 380));
    QCOMPARE(grid->geometry(), QRect(8, 32, 313, 97));
    QCOMPARE(mail->geometry(), QRect(8, 136, 457, 241));
    QCOMPARE(Child<QPushButton>("btnrefresh")->geometry(), QRect(336, 64, 113, 25));
    QCOMPARE(Child<QLineEdit>("TxtInterval")->geometry(), QRect(400, 112, 25, 19));
    QVERIFY(caption->text().contains(QChar(0x2026)));
    QCOMPARE(grid->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("差出人"));
    QCOMPARE(grid->model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("件名"));
    // Beside the designed columns, reached by scrolling.
    QVERIFY(!grid->isColumnHidden(2) && !grid->isColumnHidden(3));
    QVERIFY(grid->horizontalScrollBar()->isVisible());

    view_->resize(874, 680);
    QTRY_COMPARE(view_->size(), QSize(874, 680));
    QCOMPARE(grid->geometry(), QRect(8, 32, 713, 247));
    QCOMPARE(mail->geometry(), QRect(8, 286, 857, 391));
    QCOMPARE(Child<QPushButton>("btnrefresh")->geometry(), QRect(736, 64, 113, 25));
    QCOMPARE(Child<QLabel>("Label1")->geometry(), QRect(728, 112, 65, 17));
    QCOMPARE(Child<QLineEdit>("TxtInterval")->geometry(), QRect(800, 112, 25, 19));
    QCOMPARE(Child<QLabel>("Label2")->geometry(), QRect(840, 112, 25, 17));
    QCOMPARE(caption->text(), caption->toolTip());
    QCOMPARE(grid->columnWidth(0), 153);
    QCOMPARE(grid->columnWidth(1), 133);
}

void FrmViewTest::largeWindowOpensWithinTheScreen()
{
    const QRect screen(0, 0, 1280, 1024);
    const QRect belowPanel(0, 24, 1280, 1000);
    QCOMPARE(FrmViewPlace(QSize(474, 380), screen, belowPanel), QPoint(300, 292));
    QCOMPARE(FrmViewPlace(QSize(1200, 900), screen, belowPanel), QPoint(80, 124));
    QCOMPARE(FrmViewPlace(QSize(2000, 1500), screen, belowPanel), QPoint(0, 24));
}

void FrmViewTest::sizeAndColumnWidthsAreKeptForTheNextStart()
{
    UseMailFolder();
    const QString receiverSettings = QDir(programDir_->path()).filePath(QStringLiteral("Larkspur.ini"));
    const QByteArray receiverBytes = ReadFile(receiverSettings);
    ShowViewer();
    view_->resize(800, 600);
    QTRY_COMPARE(view_->size(), QSize(800, 600));
    auto* grid = Child<QTableView>("FGList");
    grid->setColumnWidth(3, 321);
    view_->btnrefresh_Click();
    QCOMPARE(grid->columnWidth(3), 321);

    QVERIFY(view_->close());
    QCOMPARE(ReadFile(QDir(programDir_->path()).filePath(QStringLiteral("Larkglass.ini"))),
             QByteArray("[Larkglass]\r\nWIDTH=800\r\nHEIGHT=600\r\nCOLUMNS=153,133,160,321\r\n"));
    QCOMPARE(ReadFile(receiverSettings), receiverBytes);
    QVERIFY(QDir(Storage()).isEmpty());

    ShowViewer();
    QCOMPARE(view_->size(), QSize(800, 600));
    grid = Child<QTableView>("FGList");
    QCOMPARE(grid->columnWidth(0), 153);
    QCOMPARE(grid->columnWidth(3), 321);
}

void FrmViewTest::clickedMessageComesFirst()
{
    UseMailFolder();
    const QString path = MessagePath(QStringLiteral("dom1"), QStringLiteral("20030512_102233.log"));
    QByteArray file;
    for (const QByteArray name : {"one", "two", "three"}) {
        file += "Subject: " + name + "\r\n\r\n" + (name + " line\r\n").repeated(40) + ".\r\n";
        AppendLog(path);
    }
    WriteMessage(path, file);
    ShowViewer();
    auto* mail = Child<QPlainTextEdit>("TxtMail");
    const auto topBlock = [mail] { return mail->cursorForPosition(QPoint(4, 4)).block(); };

    ClickRow(1);
    QCOMPARE(topBlock().previous().text(), QString(40, QLatin1Char('=')));
    QVERIFY(mail->toPlainText().startsWith(QStringLiteral("差出人: \n宛先: \n日付: \n件名: one\n")));
    QTest::keyClick(mail, Qt::Key_U, Qt::ControlModifier);
    QCOMPARE(topBlock().text(), QStringLiteral("Subject: two"));
    QCOMPARE(topBlock().previous().text(), QStringLiteral("."));
    ClickRow(2);
    QCOMPARE(topBlock().text(), QStringLiteral("Subject: three"));
}

void FrmViewTest::attachmentsOfTheClickedMessageAreSavedAndOpened()
{
    UseMailFolder();
    const QByteArray pdf("%PDF\x00\x01\xff\r\n", 8);
    const QString path = MessagePath(QStringLiteral("dom1"), QStringLiteral("20030512_102233.log"));
    WriteMessage(path, "Subject: none\r\n\r\ntext\r\n.\r\nMIME-Version: 1.0\r\n"
                       "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n\r\ntext\r\n--b\r\n"
                       "Content-Type: application/pdf; name=\"../請求書.pdf\"\r\n"
                       "Content-Transfer-Encoding: base64\r\n\r\n" + pdf.toBase64() + "\r\n--b--\r\n.\r\n");
    AppendLog(path);
    AppendLog(path);
    ShowViewer();
    const auto attachmentMenus = [this] {
        std::unique_ptr<QMenu> menu(view_->TxtMailMenu());
        QList<QMenu*> menus;
        for (QAction* action : menu->actions()) {
            if (action->menu()) {
                menus.append(action->menu());
            }
        }
        return std::pair{std::move(menu), menus};
    };

    ClickRow(0);
    {
        const auto [menu, menus] = attachmentMenus();
        QCOMPARE(menus.size(), 2);
        QVERIFY(!menus[0]->isEnabled());
    }

    ClickRow(1);
    auto [menu, menus] = attachmentMenus();
    QCOMPARE(menus[0]->title(), QStringLiteral("添付ファイルを保存…"));
    QCOMPARE(menus[1]->title(), QStringLiteral("添付ファイルを開く"));
    QCOMPARE(menus[0]->actions().size(), 1);
    QCOMPARE(menus[0]->actions()[0]->text(), QStringLiteral("../請求書.pdf (application/pdf, 8 バイト)"));

    const QString saved = QDir(programDir_->path()).filePath(QStringLiteral("saved.pdf"));
    dialogs_.nextSaveFiles.enqueue(saved);
    menus[0]->actions()[0]->trigger();
    QCOMPARE(dialogs_.saveRequests.size(), 1);
    QCOMPARE(dialogs_.saveRequests[0].first, QStringLiteral("添付ファイルを保存"));
    QCOMPARE(dialogs_.saveRequests[0].second,
             QDir::toNativeSeparators(QStandardPaths::writableLocation(QStandardPaths::DownloadLocation) +
                                      QStringLiteral("/___請求書.pdf")));
    QCOMPARE(ReadFile(saved), pdf);

    menus[1]->actions()[0]->trigger();
    QCOMPARE(desktop_.opened.size(), 1);
    const QFileInfo copy(desktop_.opened[0]);
    QCOMPARE(copy.fileName(), QStringLiteral("___請求書.pdf"));
    QCOMPARE(ReadFile(copy.filePath()), pdf);
    // Owner, group and others: the owner alone.
    QCOMPARE(QFileInfo(copy.path()).permissions() & 0x7077, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(dialogs_.messages.isEmpty());

    menu.reset();
    view_.reset();
    QVERIFY(!copy.exists());
    QVERIFY(!QFileInfo::exists(copy.path()));
}

QTEST_MAIN(FrmViewTest)
#include "tst_frm_view.moc"
