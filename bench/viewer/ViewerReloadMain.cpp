// bench_viewer_reload: the viewer's list reload and its idle poll on an
// arrival log of many lines in the receiver's format.
//
//   bench_viewer_reload [--lines 100000] [--runs 20] [--polls 20000]
//
// Figures, as key=value lines on stdout:
//   core_reload_ms    ResetGrid + LoadLogList without a window (model, row map)
//   window_reload_ms  the same through the window's own procedures, on the
//                     offscreen platform unless QT_QPA_PLATFORM says otherwise
//   idle_poll_us      LogWatch::Changed on an unchanged log (one stamp query)
//   window_idle_tick_us  the window's polling step when nothing changed
// Reload figures are the mean over --runs, after one warm-up run; max is
// the slowest run.

#include "ArrivalListModel.h"
#include "ArrivalLog.h"
#include "Dialogs.h"
#include "FrmView.h"
#include "LogWatch.h"
#include "RowMap.h"
#include "SharedNames.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace {

struct Options {
    int lines = 100000;
    int runs = 20;
    int polls = 20000;
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
        }
    }
    options.runs = std::max(options.runs, 1);
    options.polls = std::max(options.polls, 1);
    return options;
}

// storage folder / domain / yyyymmdd_hhmmss.log, one second apart, across
// a few dozen domains: what the receiver appends, CR LF included.
QByteArray ArrivalLogBytes(const QString& storageFolder, int lines)
{
    const QString sep = QDir::separator();
    QDateTime arrival(QDate(2003, 3, 25), QTime(14, 5, 9));
    QByteArray bytes;
    bytes.reserve(qsizetype(lines) * (storageFolder.size() + 40));
    for (int i = 0; i < lines; ++i) {
        const QString domain = QStringLiteral("sender%1.example.co.jp").arg(i % 37);
        const QString line = storageFolder + sep + domain + sep +
                             arrival.toString(QStringLiteral("yyyyMMdd_HHmmss")) + QStringLiteral(".log");
        bytes += line.toUtf8();
        bytes += "\r\n";
        arrival = arrival.addSecs(1);
    }
    return bytes;
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

struct Timing {
    double meanMs = 0;
    double maxMs = 0;
};

Timing TimeRuns(int runs, const std::function<void()>& step)
{
    step();
    Timing timing;
    double total = 0;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        step();
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        total += ms;
        timing.maxMs = std::max(timing.maxMs, ms);
    }
    timing.meanMs = total / runs;
    return timing;
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
    const QByteArray logBytes = ArrivalLogBytes(storage, options.lines);
    if (!WriteFile(logPath, logBytes) ||
        !WriteFile(programFolder + QDir::separator() + SettingsFileName(),
                   '[' + SettingsNames::Section.toString().toUtf8() + "]\r\n" +
                       SettingsNames::Folder.toString().toUtf8() + '=' + storage.toUtf8() + "\r\n")) {
        std::fprintf(stderr, "cannot write the test files\n");
        return 1;
    }
    std::printf("lines=%d\nlog_bytes=%lld\nruns=%d\n", options.lines, static_cast<long long>(logBytes.size()),
                options.runs);

    ArrivalListModel model;
    RowMap rowMap;
    const Timing core = TimeRuns(options.runs, [&] {
        rowMap.Clear();
        model.Clear();
        const ArrivalLog log = ArrivalLog::Read(logPath, storage.size());
        model.Load(log);
        rowMap.Fill(log);
    });
    if (model.rowCount() != options.lines || rowMap.Count() != options.lines) {
        std::fprintf(stderr, "core reload gave %d rows\n", model.rowCount());
        return 1;
    }
    std::printf("core_reload_ms=%.2f\ncore_reload_max_ms=%.2f\n", core.meanMs, core.maxMs);

    FailingDialogs dialogs;
    FrmView view(dialogs, programFolder);
    if (!view.Load()) {
        return 1;
    }
    view.show();
    QCoreApplication::processEvents();
    const Timing window = TimeRuns(options.runs, [&] {
        view.ResetGrid();
        view.LoadLogList();
    });
    if (view.Rows().Count() != options.lines) {
        std::fprintf(stderr, "window reload gave %d rows\n", view.Rows().Count());
        return 1;
    }
    std::printf("window_reload_ms=%.2f\nwindow_reload_max_ms=%.2f\n", window.meanMs, window.maxMs);

    LogWatch watch(logPath);
    watch.Record();
    bool changed = false;
    const double poll = MicrosecondsPerCall(options.polls, [&] { changed = changed || watch.Changed(); });
    if (changed) {
        std::fprintf(stderr, "the unchanged log was seen as changed\n");
        return 1;
    }
    std::printf("idle_poll_us=%.2f\n", poll);

    // The first tick always reloads; after it the log stands still.
    view.TimerRefresh_Timer();
    const double tick = MicrosecondsPerCall(options.polls, [&] { view.TimerRefresh_Timer(); });
    std::printf("window_idle_tick_us=%.2f\n", tick);
    return 0;
}
