// bench_engine_server: the session engine alone on an event loop, with a
// store that only counts, so a load client measures the engine and nothing
// behind it.
//
//   bench_engine_server [--port N] [--max-seconds S] [--exit-on-eof]
//
// Prints "port=N" once listening, and its figures as key=value lines when it
// stops: on SIGTERM, SIGINT or SIGHUP, on end of stdin (--exit-on-eof), or
// after --max-seconds (default 600) so a forgotten server never lingers.

#include "ControlValues.h"
#include "Dialogs.h"
#include "MessageStore.h"
#include "SessionEngine.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

class BenchControls : public ControlValues {
public:
    explicit BenchControls(int port) : port_(port) {}
    QString PortText() const override { return QString::number(port_); }
    QString FolderText() const override { return {}; }
    int DialogSwitch() const override { return 0; }
    int SoundSwitch() const override { return 0; }
    QString WavFileText() const override { return {}; }

private:
    int port_;
};

// Nobody is there to answer; socket errors are counted so a run that had
// them does not pass unnoticed.
class CountingDialogs : public Dialogs {
public:
    MessageAnswer ShowMessage(const QString&, const QString&, MessageIcon,
                              MessageButtons buttons) override
    {
        return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    }
    void ShowNotice(const QString& text, const QString&, MessageIcon) override
    {
        ++notices_;
        std::fprintf(stderr, "notice: %s\n", qPrintable(text));
    }
    QString ChooseFolder(QObject*, const QString&, const QString&) override { return {}; }
    QString ChooseFile(QObject*, const QString&, const QString&, const QStringList&) override { return {}; }

    long Notices() const { return notices_; }

private:
    long notices_ = 0;
};

class CountingStore : public MessageStore {
public:
    std::unique_ptr<MessageWriter> BeginMessage(const QByteArray&) override
    {
        return std::make_unique<Counter>(*this);
    }

    long long Messages() const { return messages_; }
    long long Bytes() const { return bytes_; }
    long long Largest() const { return largest_; }

private:
    class Counter : public MessageWriter {
    public:
        explicit Counter(CountingStore& store) : store_(store) {}
        void Append(QByteArrayView bytes) override { size_ += bytes.size(); }
        bool Commit() override
        {
            ++store_.messages_;
            store_.bytes_ += size_;
            store_.largest_ = std::max(store_.largest_, size_);
            return true;
        }

    private:
        CountingStore& store_;
        long long size_ = 0;
    };

    long long messages_ = 0;
    long long bytes_ = 0;
    long long largest_ = 0;
};

int signalPipe[2] = {-1, -1};

void OnStopSignal(int)
{
    const char byte = 1;
    // Only async-signal-safe work here; the event loop reads the pipe.
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

bool InstallStopSignals()
{
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return false;
    }
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
        if (::sigaction(number, &action, nullptr) != 0) {
            return false;
        }
    }
    // A client that vanishes must not kill the server through a write.
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

// A "Key:   123 kB" line of /proc/self/status, in KiB; -1 when missing.
long StatusKib(std::string_view key)
{
    std::FILE* file = std::fopen("/proc/self/status", "r");
    if (!file) {
        return -1;
    }
    long value = -1;
    char line[256];
    while (std::fgets(line, sizeof line, file)) {
        const std::string_view text(line);
        if (text.size() > key.size() && text.substr(0, key.size()) == key && text[key.size()] == ':') {
            value = std::strtol(line + key.size() + 1, nullptr, 10);
            break;
        }
    }
    std::fclose(file);
    return value;
}

double Seconds(const timeval& time)
{
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

bool ParseInt(const char* text, int minimum, int maximum, int* value)
{
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || parsed < minimum || parsed > maximum) {
        return false;
    }
    *value = static_cast<int>(parsed);
    return true;
}

int Usage()
{
    std::fprintf(stderr, "usage: bench_engine_server [--port N] [--max-seconds S] [--exit-on-eof]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    int port = 0;
    int maxSeconds = 600;
    bool exitOnEof = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        if (arg == "--port" && i + 1 < argc) {
            if (!ParseInt(argv[++i], 0, 65535, &port)) {
                return Usage();
            }
        } else if (arg == "--max-seconds" && i + 1 < argc) {
            if (!ParseInt(argv[++i], 1, 24 * 3600, &maxSeconds)) {
                return Usage();
            }
        } else if (arg == "--exit-on-eof") {
            exitOnEof = true;
        } else {
            return Usage();
        }
    }

    QCoreApplication app(argc, argv);
    if (!InstallStopSignals()) {
        std::perror("signals");
        return 1;
    }

    BenchControls controls(port);
    CountingDialogs dialogs;
    CountingStore store;
    SessionEngine engine(controls, store, dialogs);
    const ListenResult result = engine.ListenOn(port);
    if (!result.ok) {
        std::fprintf(stderr, "listen failed: %s\n", qPrintable(result.reason));
        return 1;
    }

    const char* stopReason = "signal";
    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [&] {
        char bytes[16];
        while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
        }
        stopReason = "signal";
        app.quit();
    });

    std::unique_ptr<QSocketNotifier> stdinNotifier;
    if (exitOnEof) {
        stdinNotifier = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
        QObject::connect(stdinNotifier.get(), &QSocketNotifier::activated, &app, [&] {
            char bytes[256];
            const ssize_t got = ::read(STDIN_FILENO, bytes, sizeof bytes);
            if (got <= 0 && !(got < 0 && (errno == EINTR || errno == EAGAIN))) {
                stdinNotifier->setEnabled(false);
                stopReason = "eof";
                app.quit();
            }
        });
    }

    QTimer::singleShot(maxSeconds * 1000, &app, [&] {
        stopReason = "max-seconds";
        app.quit();
    });

    std::printf("port=%d\nrss_kib_at_listen=%ld\n", engine.WsckListen().LocalPort(), StatusKib("VmRSS"));
    std::fflush(stdout);

    app.exec();

    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("stopped_by=%s\n", stopReason);
    std::printf("messages=%lld\n", store.Messages());
    std::printf("message_bytes=%lld\n", store.Bytes());
    std::printf("largest_message_bytes=%lld\n", store.Largest());
    std::printf("socket_errors=%ld\n", dialogs.Notices());
    std::printf("peak_rss_kib=%ld\n", StatusKib("VmHWM"));
    std::printf("ru_maxrss_kib=%ld\n", usage.ru_maxrss);
    std::printf("cpu_user_s=%.3f\n", Seconds(usage.ru_utime));
    std::printf("cpu_system_s=%.3f\n", Seconds(usage.ru_stime));
    std::fflush(stdout);
    return 0;
}
