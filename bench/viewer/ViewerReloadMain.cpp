// bench_viewer_reload: the viewer's list loading and polling on an arrival
// log of many lines in the receiver's format.
//
//   bench_viewer_reload [--lines 100000] [--runs 20] [--polls 20000] [--new-lines 10]
//
// Figures, as key=value lines on stdout (ms unless named _us or _kb; each
// timed figure is the median over --runs after one warm-up, _max the
// slowest run):
//   first_load_ms        start-up (FrmView::Load, show) until the last row is listed
//   first_load_block_ms  the longest the window's thread went without
//                        returning to its event loop during that load
//   window_reload_ms     the forced refresh (everything re-read) until the
//                        last row is listed; window_reload_block_ms as above
//   poll_new_lines_ms    the polling step that finds --new-lines appended
//                        lines, with the events it leaves for the loop
//   idle_poll_us         LogWatch::Changed on an unchanged log (one stat)
//   window_idle_tick_us  the window's polling step when nothing changed
//   core_reload_ms       the whole log read into the list model without a window
//   peak_rss_kb          the process's peak resident memory (VmHWM) after
//                        the window figures
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
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

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
        }
    }
    options.runs = std::max(options.runs, 1);
    options.polls = std::max(options.polls, 1);
    options.newLines = std::max(options.newLines, 1);
    return options;
}

// Appends lines in the receiver's format: storage folder / domain /
// yyyymmdd_hhmmss.log, one second apart, across a few dozen domains, CR LF
// included. Written a block at a time, so the bench's own memory stays out
// of the peak it reports.
class LogWriter {
public:
    LogWriter(QString logPath, QString storageFolder)
        : logPath_(std::move(logPath)), storageFolder_(std::move(storageFolder))
    {
    }

    bool Append(int lines)
    {
        QFile file(logPath_);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
            return false;
        }
        const QString sep = QDir::separator();
        QByteArray block;
        for (int i = 0; i < lines; ++i) {
            const QString domain = QStringLiteral("sender%1.example.co.jp").arg(written_ % 37);
            const QString line = storageFolder_ + sep + domain + sep +
                                 arrival_.toString(QStringLiteral("yyyyMMdd_HHmmss")) + QStringLiteral(".log");
            block += line.toUtf8();
            block += "\r\n";
            arrival_ = arrival_.addSecs(1);
            ++written_;
            if (block.size() >= (1 << 20) || i + 1 == lines) {
                if (file.write(block) != block.size()) {
                    return false;
                }
                block.clear();
            }
        }
        return true;
    }

    int Written() const { return written_; }

private:
    QString logPath_;
    QString storageFolder_;
    QDateTime arrival_{QDate(2003, 3, 25), QTime(14, 5, 9)};
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
    QCoreApplication::processEvents(QEventLoop::AllEvents);
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
    QString ChooseFolder(QObject*, const QString&, const QString&, const QString&) override { return {}; }
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
    LogWriter writer(logPath, storage);
    QFile settings(programFolder + QDir::separator() + SettingsFileName());
    if (!writer.Append(options.lines) || !settings.open(QIODevice::WriteOnly) ||
        settings.write('[' + SettingsNames::Section.toString().toUtf8() + "]\r\n" +
                       SettingsNames::Folder.toString().toUtf8() + '=' + storage.toUtf8() + "\r\n") < 0) {
        std::fprintf(stderr, "cannot write the test files\n");
        return 1;
    }
    settings.close();
    std::printf("lines=%d\nlog_bytes=%lld\nruns=%d\n", options.lines,
                static_cast<long long>(QFileInfo(logPath).size()), options.runs);

    FailingDialogs dialogs;
    NoDesktop desktop;
    std::vector<double> loadMs;
    std::vector<double> loadBlockMs;
    for (int run = 0; run <= options.runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        FrmView view(dialogs, desktop, programFolder);
        if (!view.Load()) {
            return 1;
        }
        view.show();
        const double startUp = Milliseconds(clock);
        const double block = std::max(startUp, RunUntilListed(view));
        const double total = Milliseconds(clock);
        if (view.Rows().Count() != options.lines) {
            Fail("first load", view.Rows().Count());
        }
        if (run > 0) {
            loadMs.push_back(total);
            loadBlockMs.push_back(block);
        }
    }
    Print("first_load_ms", Summarise(loadMs));
    Print("first_load_block_ms", Summarise(loadBlockMs));

    auto view = std::make_unique<FrmView>(dialogs, desktop, programFolder);
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
        QCoreApplication::processEvents(QEventLoop::AllEvents);
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
