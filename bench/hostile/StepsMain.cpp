// bench_readable_steps: the readable form of message files computed as the
// arrival pop-up computes it, a step at a time on at most the first 1 MiB
// of each file, timing every step.
//
//   bench_readable_steps FILE...
//
// One line per file: its name, the steps taken, the whole time and the
// longest single step (the longest the pop-up's thread would go without
// returning to its event loop), and the text's length.

#include "ReadableForm.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>

namespace {

// As much of a message as a pop-up shows.
constexpr qint64 HeadBytes = 1024 * 1024;

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    std::printf("| input | steps | all steps | longest step | text |\n|---|---:|---:|---:|---:|\n");
    for (const QString& path : app.arguments().mid(1)) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
            return 1;
        }
        ReadableFormRenderer renderer(file.read(HeadBytes));
        qint64 steps = 0;
        qint64 longest = 0;
        QElapsedTimer all;
        all.start();
        for (bool more = true; more; ++steps) {
            QElapsedTimer step;
            step.start();
            more = renderer.Step();
            longest = std::max(longest, step.nsecsElapsed());
        }
        std::printf("| %s | %lld | %.1f ms | %.2f ms | %lld |\n", qPrintable(QFileInfo(path).completeBaseName()),
                    static_cast<long long>(steps), static_cast<double>(all.nsecsElapsed()) / 1e6,
                    static_cast<double>(longest) / 1e6, static_cast<long long>(renderer.Text().size()));
    }
    return 0;
}
