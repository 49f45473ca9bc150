// bench_viewer_reload: the viewer's list loading, polling and scrolling on
// an arrival log of many lines in the receiver's format, whose message files
// exist.
//
//   bench_viewer_reload [--lines 100000] [--runs 20] [--polls 20000] [--new-lines 10]
//                       [--messages-per-file 10] [--scroll 1] [--added-columns 1]
//
// With --added-columns 0 the sender and subject columns are hidden before
// each load, for comparing the list with and without them.
//
// Figures, as key=value lines on stdout (ms unless named _us or _kb; each
// timed figure is the median over --runs after one warm-up, _max the
// slowest run):
//   first_load_ms        start-up (FrmView::Load, show) until the last row is listed
//   first_load_block_ms  the longest the window's thread went without
//                        returning to its event loop during that load
//   end_page_ms          after that load, in a window of 1000 x 760, the
//                        jump to the end of the list and the painting of its
//                        last page of rows, sender and subject read from
//                        their message files
//   window_reload_ms     the forced refresh (everything re-read) until the
//                        last row is listed; window_reload_block_ms as above
//   poll_new_lines_ms    the polling step that finds --new-lines appended
//                        lines, with the events it leaves for the loop
//                        (the layout, then the painting)
//   idle_poll_us         LogWatch::Changed on an unchanged log (one stat)
//   window_idle_tick_us  the window's polling step when nothing changed
//   core_reload_ms       the whole log read into the list model without a window
//   peak_rss_kb          the process's peak resident memory (VmHWM) after
//                        the window figures
//   scroll_ms            (with --scroll 1) the whole list scrolled from top
//                        to bottom a page at a time, each page painted, in
//                        a window of 1000 x 760; scroll_pages the pages;
//                        scroll_peak_rss_kb the peak resident memory
//                        meanwhile (the peak is reset before, where Linux
//                        allows it)
// The platform is offscreen unless QT_QPA_PLATFORM says otherwise.

#include "ArrivalListModel.h"
#include "ArrivalLog.h"
#include "ArrivalLogLoader.h"
#include "DefaultApplication.h"
#include "Dialogs.h"
#include "FrmView.h"
#include "LogWatch.h"
#include "ProcessMemory.h"
#include "SharedNames.h"

#include <QApplication>
#include <QDir>
#include <QScrollBar>
#include <QTableView>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace {

struct Options {
    int lines = 100000;
    int runs = 20;
    int polls = 20000;
    int newLines = 10;
    int messagesPerFile = 10;
    bool scroll = true;
    bool addedColumns = true;
};

Options ParseOptions(int argc, char* argv[])
{
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const int value = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--lines") == 0) {
            options.lines = value;
        } else if (std::strcmp(argv[i], "--runs") == 0) {
            options.runs = value;
        } else if (std::strcmp(argv[i], "--polls") == 0) {
            options.polls = value;
        } else if (std::strcmp(argv[i], "--new-lines") == 0) {
            options.newLines = value;
        } else if (std::strcmp(argv[i], "--messages-per-file") == 0) {
            options.messagesPerFile = value;
        } else if (std::strcmp(argv[i], "--scroll") == 0) {
            options.scroll = value != 0;
        } else if (std::strcmp(argv[i], "--added-columns") == 0) {
            options.addedColumns = value != 0;
        }
    }
    options.runs = std::max(options.runs, 1);
    options.polls = std::max(options.polls, 1);
    options.newLines = std::max(options.newLines, 1);
    options.messagesPerFile = std::max(options.messagesPerFile, 1);
    return options;
}

// Appends lines in the receiver's format (storage folder / domain /
// yyyymmdd_hhmmss.log, CR LF) and the messages they name. The receiver
// keeps the messages of one domain within one second in one file, so each
// file holds messagesPerFile messages and is named by as many lines in a
// row; a new file is a second later, from the next of a few dozen domains.
// A message has an encoded sender name and subject. The files are written
// before their lines, the log a block at a time, so the bench's own memory
// stays out of the peak it reports.
class MailWriter {
public:
    MailWriter(QString logPath, QString storageFolder, int messagesPerFile)
        : logPath_(std::move(logPath)), storageFolder_(std::move(storageFolder)), perFile_(messagesPerFile)
    {
    }

    bool Append(int lines)
    {
        QFile log(logPath_);
        if (!log.open(QIODevice::WriteOnly | QIODevice::Append)) {
            return false;
        }
        QByteArray block;
        for (int i = 0; i < lines; ++i) {
            if (inFile_ == perFile_ || filePath_.isEmpty()) {
                NextFile();
            }
            messages_ += Message(written_);
            block += filePath_.toUtf8() + "\r\n";
            ++inFile_;
            ++written_;
            if (block.size() >= (1 << 20) || i + 1 == lines) {
                if (!WriteMessages() || log.write(block) != block.size()) {
                    return false;
                }
                block.clear();
            }
        }
        return WriteMessages();
    }

    int Written() const { return written_; }

private:
    void NextFile()
    {
        if (!filePath_.isEmpty()) {
            WriteMessages();
            arrival_ = arrival_.addSecs(1);
        }
        const QString sep = QDir::separator();
        const QString domainFolder = storageFolder_ + sep + QStringLiteral("sender%1.example.co.jp").arg(files_ % 37);
        QDir().mkpath(domainFolder);
        filePath_ = domainFolder + sep + arrival_.toString(QStringLiteral("yyyyMMdd_HHmmss")) + QStringLiteral(".log");
        inFile_ = 0;
        ++files_;
    }

    static QByteArray Encoded(const QString& text)
    {
        return "=?UTF-8?B?" + text.toUtf8().toBase64() + "?=";
    }

    QByteArray Message(int number) const
    {
        const QByteArray n = QByteArray::number(number);
        return "From: " + Encoded(QStringLiteral("差出人 %1").arg(number % 1000)) + " <user" + n +
               "@example.co.jp>\r\nTo: me@localhost\r\nSubject: " + Encoded(QStringLiteral("お知らせ 第%1号").arg(number)) +
               "\r\nDate: Tue, 25 Mar 2003 14:05:09 +0900\r\nMessage-ID: <" + n +
               "@example.co.jp>\r\n\r\nこんにちは。" + n + "\r\n.\r\n";
    }

    // The messages made since the last write go to the file now being filled.
    bool WriteMessages()
    {
        if (messages_.isEmpty()) {
            return true;
        }
        QFile file(filePath_);
        const bool written = file.open(QIODevice::WriteOnly | QIODevice::Append) &&
                             file.write(messages_) == messages_.size();
        messages_.clear();
        return written;
    }

    QString logPath_;
    QString storageFolder_;
    int perFile_;
    QDateTime arrival_{QDate(2003, 3, 25), QTime(14, 5, 9)};
    QString filePath_;
    QByteArray messages_;
    int inFile_ = 0;
    int files_ = 0;
    int written_ = 0;
};

struct Timing {
    double medianMs = 0;
    double maxMs = 0;
};

Timing Summarise(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

double Milliseconds(const QElapsedTimer& clock)
{
    return double(clock.nsecsElapsed()) / 1e6;
}

double MicrosecondsPerCall(int calls, const std::function<void()>& step)
{
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < calls; ++i) {
        step();
    }
    return double(clock.nsecsElapsed()) / 1e3 / calls;
}

// Two passes of the event loop: in the first the views lay out what
// changed and ask to be painted, in the second they are painted.
void RunLeftEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// Runs the event loop until the view has listed the whole log, and gives
// the longest gap between two passes of a zero-interval heartbeat timer:
// the longest the window's thread was busy without the loop.
double RunUntilListed(const FrmView& view)
{
    QElapsedTimer sinceBeat;
    sinceBeat.start();
    double longest = 0;
    QTimer heartbeat;
    heartbeat.setInterval(0);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        longest = std::max(longest, Milliseconds(sinceBeat));
        sinceBeat.restart();
    });
    heartbeat.start();
    while (view.ListLoading()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    RunLeftEvents();
    return std::max(longest, Milliseconds(sinceBeat));
}

qint64 PeakRssKb()
{
    return ProcessMemoryKib("VmHWM");
}

void Print(const char* name, const Timing& timing)
{
    std::printf("%s=%.2f\n%s_max=%.2f\n", name, timing.medianMs, name, timing.maxMs);
}

// Start-up boxes cannot be answered here; any box means a broken set-up.
class FailingDialogs : public Dialogs {
public:
    MessageAnswer ShowMessage(const QString& text, const QString&, MessageIcon, MessageButtons) override
    {
        std::fprintf(stderr, "message box: %s\n", qPrintable(text));
        std::exit(1);
    }
    void ShowNotice(const QString& text, const QString&, MessageIcon) override
    {
        std::fprintf(stderr, "notice: %s\n", qPrintable(text));
        std::exit(1);
    }
    QString ChooseFolder(QObject*, const QString&, const QString&) override { return {}; }
    QString ChooseFile(QObject*, const QString&, const QString&, const QStringList&) override { return {}; }
};

// Nothing here opens attachments.
class NoDesktop : public DefaultApplication {
public:
    bool OpenFile(const QString&) override { return false; }
};

[[noreturn]] void Fail(const char* what, int rows)
{
    std::fprintf(stderr, "%s gave %d rows\n", what, rows);
    std::exit(1);
}

// A larger window, with room for the sender and subject.
const QSize ListWindow(1000, 760);

// The window as the benchmark uses it: the sender and subject columns
// shown, or hidden for a comparison.
std::unique_ptr<FrmView> MakeView(Dialogs& dialogs, DefaultApplication& desktop, const QString& programFolder,
                                  const Options& options)
{
    auto view = std::make_unique<FrmView>(dialogs, desktop, programFolder);
    auto* grid = view->findChild<QTableView*>(QStringLiteral("FGList"));
    for (const int column : {2, 3}) {
        grid->setColumnHidden(column, !options.addedColumns);
    }
    return view;
}

QString SubjectOf(const QTableView& grid, int row)
{
    return grid.model()->index(row, 3).data().toString();
}

// Pages through the whole list in a larger window, painting each page, and
// prints the time, the pages and the peak resident memory meanwhile.
void ScrollWholeList(FrmView& view, int rows)
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (clearRefs.open(QIODevice::WriteOnly)) {
        clearRefs.write("5"); // resets VmHWM to the resident memory now
        clearRefs.close();
    }
    view.resize(ListWindow);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    auto* grid = view.findChild<QTableView*>(QStringLiteral("FGList"));
    QScrollBar* bar = grid->verticalScrollBar();
    bar->setValue(0);
    QElapsedTimer clock;
    clock.start();
    int pages = 0;
    for (;; bar->setValue(bar->value() + bar->pageStep())) {
        grid->viewport()->repaint();
        ++pages;
        if (bar->value() == bar->maximum()) {
            break;
        }
    }
    const double ms = Milliseconds(clock);
    if (SubjectOf(*grid, rows - 1).isEmpty()) {
        Fail("scrolling to the end", rows);
    }
    std::printf("scroll_ms=%.2f\nscroll_pages=%d\nscroll_peak_rss_kb=%lld\n", ms, pages,
                static_cast<long long>(PeakRssKb()));
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const Options options = ParseOptions(argc, argv);

    QTemporaryDir programDir;
    if (!programDir.isValid() || !QDir(programDir.path()).mkdir(QStringLiteral("mail"))) {
        std::fprintf(stderr, "cannot make a temporary folder\n");
        return 1;
    }
    const QString programFolder = QDir::toNativeSeparators(programDir.path());
    const QString storage = programFolder + QDir::separator() + QStringLiteral("mail");
    const QString logPath = storage + QDir::separator() + ArrivalLogName();
    MailWriter writer(logPath, storage, options.messagesPerFile);
    QFile settings(programFolder + QDir::separator() + SettingsFileName());
    if (!writer.Append(options.lines) || !settings.open(QIODevice::WriteOnly) ||
        settings.write('[' + SettingsNames::Section.toString().toUtf8() + "]\r\n" +
                       SettingsNames::Folder.toString().toUtf8() + '=' + storage.toUtf8() + "\r\n") < 0) {
        std::fprintf(stderr, "cannot write the test files\n");
        return 1;
    }
    settings.close();
    // The message files' pages go to disk now rather than during the figures.
    ::sync();
    std::printf("lines=%d\nlog_bytes=%lld\nmessages_per_file=%d\nruns=%d\n", options.lines,
                static_cast<long long>(QFileInfo(logPath).size()), options.messagesPerFile, options.runs);

    FailingDialogs dialogs;
    NoDesktop desktop;
    std::vector<double> loadMs;
    std::vector<double> loadBlockMs;
    std::vector<double> endPageMs;
    for (int run = 0; run <= options.runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        const std::unique_ptr<FrmView> view = MakeView(dialogs, desktop, programFolder, options);
        if (!view->Load()) {
            return 1;
        }
        view->show();
        const double startUp = Milliseconds(clock);
        const double block = std::max(startUp, RunUntilListed(*view));
        const double total = Milliseconds(clock);
        if (view->Rows().Count() != options.lines) {
            Fail("first load", view->Rows().Count());
        }
        view->resize(ListWindow);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QElapsedTimer page;
        page.start();
        auto* grid = view->findChild<QTableView*>(QStringLiteral("FGList"));
        grid->scrollToBottom();
        grid->viewport()->repaint();
        const double pageMs = Milliseconds(page);
        if (SubjectOf(*grid, options.lines - 1).isEmpty()) {
            Fail("the last page's subjects", options.lines);
        }
        if (run > 0) {
            loadMs.push_back(total);
            loadBlockMs.push_back(block);
            endPageMs.push_back(pageMs);
        }
    }
    Print("first_load_ms", Summarise(loadMs));
    Print("first_load_block_ms", Summarise(loadBlockMs));
    Print("end_page_ms", Summarise(endPageMs));

    auto view = MakeView(dialogs, desktop, programFolder, options);
    if (!view->Load()) {
        return 1;
    }
    view->show();
    RunUntilListed(*view);

    // The first tick always reloads; after it the log stands still.
    view->TimerRefresh_Timer();
    RunUntilListed(*view);
    std::vector<double> pollMs;
    for (int run = 0; run <= options.runs; ++run) {
        if (!writer.Append(options.newLines)) {
            return 1;
        }
        QElapsedTimer clock;
        clock.start();
        view->TimerRefresh_Timer();
        RunLeftEvents();
        const double ms = Milliseconds(clock);
        if (view->ListLoading() || view->Rows().Count() != writer.Written()) {
            Fail("poll after new lines", view->Rows().Count());
        }
        if (run > 0) {
            pollMs.push_back(ms);
        }
    }
    Print("poll_new_lines_ms", Summarise(pollMs));

    std::vector<double> reloadMs;
    std::vector<double> reloadBlockMs;
    for (int run = 0; run <= options.runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        view->btnrefresh_Click();
        const double click = Milliseconds(clock);
        const double block = std::max(click, RunUntilListed(*view));
        const double total = Milliseconds(clock);
        if (view->Rows().Count() != writer.Written()) {
            Fail("forced refresh", view->Rows().Count());
        }
        if (run > 0) {
            reloadMs.push_back(total);
            reloadBlockMs.push_back(block);
        }
    }
    Print("window_reload_ms", Summarise(reloadMs));
    Print("window_reload_block_ms", Summarise(reloadBlockMs));

    LogWatch watch(logPath);
    watch.Record();
    bool changed = false;
    const double poll = MicrosecondsPerCall(options.polls, [&] { changed = changed || watch.Changed(); });
    if (changed) {
        std::fprintf(stderr, "the unchanged log was seen as changed\n");
        return 1;
    }
    std::printf("idle_poll_us=%.2f\n", poll);
    const double tick = MicrosecondsPerCall(options.polls, [&] { view->TimerRefresh_Timer(); });
    std::printf("window_idle_tick_us=%.2f\n", tick);
    std::printf("peak_rss_kb=%lld\n", static_cast<long long>(PeakRssKb()));
    if (options.scroll) {
        ScrollWholeList(*view, writer.Written());
    }
    view.reset();

    ArrivalLog log;
    ArrivalListModel model(log);
    model.SetStorageFolderLength(storage.size());
    ArrivalLogLoader loader(model);
    loader.SetLogPath(logPath);
    std::vector<double> coreMs;
    for (int run = 0; run <= options.runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        model.Clear();
        loader.StartWhole();
        while (loader.ReadSlice()) {
        }
        const double ms = Milliseconds(clock);
        if (model.rowCount() != writer.Written()) {
            Fail("core reload", model.rowCount());
        }
        if (run > 0) {
            coreMs.push_back(ms);
        }
    }
    Print("core_reload_ms", Summarise(coreMs));
    return 0;
}
