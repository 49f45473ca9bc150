// bench_settings_load: LoadSettings and SaveSettings on a settings file
// grown to many MiB, in one of three shapes.
//
//   bench_settings_load [--shape keys|sections|line] [--mib 10] [--runs 3]
//
// Shapes: "keys" many short foreign keys inside [SMTP] before the five real
// ones; "sections" many small foreign sections before [SMTP]; "line" one
// foreign key with a value of the whole size.
// Figures, as key=value lines on stdout:
//   file_bytes     size of the file
//   load_ms        LoadSettings, mean over --runs (max: the slowest run)
//   save_ms        SaveSettings of changed values, mean over --runs
//   peak_rss_mib   the process's peak resident memory (VmHWM) at the end
//   baseline_rss_mib  VmHWM before the file was first read

#include "ProcessMemory.h"
#include "SettingsFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct Options {
    QByteArray shape = "keys";
    int mib = 10;
    int runs = 3;
};

Options ParseOptions(int argc, char* argv[])
{
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--shape") == 0) {
            options.shape = argv[i + 1];
        } else if (std::strcmp(argv[i], "--mib") == 0) {
            options.mib = std::max(std::atoi(argv[i + 1]), 1);
        } else if (std::strcmp(argv[i], "--runs") == 0) {
            options.runs = std::max(std::atoi(argv[i + 1]), 1);
        }
    }
    return options;
}

// Written in pieces, so the bench's own peak memory is not the file's size.
bool WriteFile(const QString& path, const QByteArray& shape, qsizetype size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    const QByteArray realKeys = "PORT=2525\r\nFOLDER=/srv/mail\r\nWAVFILE=/srv/a.wav\r\nDIALOG=1\r\nSOUND=1\r\n";
    qsizetype written = 0;
    QByteArray piece;
    const auto flush = [&] {
        written += file.write(piece);
        piece.clear();
    };
    if (shape == "sections") {
        for (int i = 0; written + piece.size() < size; ++i) {
            piece += "[S" + QByteArray::number(i) + "]\r\nK=" + QByteArray::number(i) + "\r\n";
            if (piece.size() > 65536) {
                flush();
            }
        }
        piece += "[SMTP]\r\n" + realKeys;
        flush();
        return true;
    }
    piece += "[SMTP]\r\n";
    if (shape == "line") {
        piece += "X=";
        flush();
        const QByteArray filler(65536, 'x');
        while (written < size) {
            written += file.write(filler);
        }
        piece += "\r\n";
    } else {
        for (int i = 0; written + piece.size() < size; ++i) {
            piece += "K" + QByteArray::number(i) + "=v\r\n";
            if (piece.size() > 65536) {
                flush();
            }
        }
    }
    piece += realKeys;
    flush();
    return true;
}

double PeakRssMib()
{
    return double(ProcessMemoryKib("VmHWM")) / 1024.0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const Options options = ParseOptions(argc, argv);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("Larkspur.ini"));
    if (!WriteFile(path, options.shape, qsizetype(options.mib) << 20)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    std::printf("shape=%s\nfile_bytes=%lld\nbaseline_rss_mib=%.1f\n", options.shape.constData(),
                static_cast<long long>(QFile(path).size()), PeakRssMib());

    double loadTotal = 0, loadMax = 0, saveTotal = 0;
    ReceiverSettings loaded;
    for (int run = 0; run < options.runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        loaded = LoadSettings(path);
        const double ms = timer.nsecsElapsed() / 1e6;
        loadTotal += ms;
        loadMax = std::max(loadMax, ms);

        ReceiverSettings changed = loaded;
        changed.port = QString::number(3000 + run);
        timer.start();
        SaveSettings(path, changed);
        saveTotal += timer.nsecsElapsed() / 1e6;
    }
    const bool right = loaded.folder == QLatin1String("/srv/mail") && loaded.sound == SwitchOn;
    std::printf("values_right=%d\nload_ms=%.1f\nload_max_ms=%.1f\nsave_ms=%.1f\npeak_rss_mib=%.1f\n", right ? 1 : 0,
                loadTotal / options.runs, loadMax, saveTotal / options.runs, PeakRssMib());
    return right ? 0 : 1;
}
