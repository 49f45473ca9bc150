// bench_popup_memory: opens --popups pop-ups (default 50) of a message of
// --bytes bytes (default 5 MiB, lines of --line-bytes, default 78), or of the
// message file --file, through ArrivalPopups, as the receiver does, and
// prints the process's resident memory before and after, and per pop-up; the
// time per pop-up until its text box holds its whole text; and the longest
// the thread went without returning to its event loop meanwhile (the
// longest gap between two passes of a zero-interval heartbeat timer). Runs
// on the offscreen platform unless QT_QPA_PLATFORM is set.

#include "ArrivalPopups.h"
#include "ProcessMemory.h"
#include "WavePlayer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QTimer>

#include <algorithm>

#include <cstdio>

namespace {

class SilentPlayer : public WavePlayer {
public:
    void PlayFile(const QString&) override {}
    void PlayChime() override {}
};

long ResidentKib()
{
    return long(ProcessMemoryKib("VmRSS"));
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    int popups = 50;
    qsizetype bytes = 5 * 1024 * 1024;
    qsizetype lineBytes = 78;
    QString file;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--popups")) {
            popups = args[i + 1].toInt();
        } else if (args[i] == QLatin1String("--bytes")) {
            bytes = args[i + 1].toLongLong();
        } else if (args[i] == QLatin1String("--line-bytes")) {
            lineBytes = args[i + 1].toLongLong();
        } else if (args[i] == QLatin1String("--file")) {
            file = args[i + 1];
        }
    }
    const QByteArray text = "Benchmark line of plain text, seventy-eight characters long, then CR LF.....";
    const QByteArray line = text.repeated(lineBytes / text.size() + 1).left(lineBytes - 2) + "\r\n";
    QByteArray message = line.repeated(bytes / line.size() + 1).left(bytes - 5) + "\r\n.\r\n";
    if (!file.isEmpty()) {
        QFile input(file);
        if (!input.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(file));
            return 1;
        }
        message = input.readAll();
    }

    SilentPlayer player;
    ArrivalPopups arrivals(player);
    QTest::qWait(100);
    const long before = ResidentKib();
    QElapsedTimer sinceBeat;
    qint64 longestGapNs = 0;
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        longestGapNs = std::max(longestGapNs, sinceBeat.nsecsElapsed());
        sinceBeat.start();
    });
    QElapsedTimer clock;
    clock.start();
    sinceBeat.start();
    heartbeat.start(0);
    for (int n = 0; n < popups; ++n) {
        arrivals.ShowPopup(QStringLiteral("bench.example"), message);
        (void)QTest::qWaitFor(
            [&] {
                const QList<FrmMsg*> open = arrivals.List().Open();
                return open.size() == qMin(n + 1, PopupList::MaxOpen) && open.last()->Filled();
            },
            60000);
    }
    const double ms = double(clock.elapsed());
    heartbeat.stop();
    QTest::qWait(100);
    const long after = ResidentKib();
    std::printf("popups=%d\nmessage_bytes=%lld\nrss_before_kib=%ld\nrss_after_kib=%ld\n"
                "per_popup_kib=%ld\nms_per_popup=%.1f\nlongest_gap_ms=%.1f\n",
                popups, static_cast<long long>(message.size()), before, after,
                (after - before) / qMin(popups, PopupList::MaxOpen), ms / popups, double(longestGapNs) / 1e6);
    return 0;
}
