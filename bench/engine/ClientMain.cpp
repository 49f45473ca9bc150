// bench_engine_client: SMTP load on 127.0.0.1 for bench_engine_server.
//
//   bench_engine_client large  --port N [--mib 50] [--write-kib 64] [--sessions 1]
//                              [--server-pid P]
//   bench_engine_client stream --port N [--sessions 5] [--bytes 1024]
//                              [--seconds 5 | --messages M] [--server-pid P]
//                              [--envelope once|each]
//
// --envelope once (the default) gives MAIL and RCPT once per session and then
// only DATA per message, which this project's receiver accepts; "each" sends
// MAIL, RCPT and DATA for every message, as other SMTP servers require.
//
// Blocking sockets and one thread per session: every step waits for its
// reply anyway, so the client spends almost all its time in the kernel
// waiting, and its own CPU time is printed to show it. With --server-pid the
// server's CPU time over the measured interval is printed too.
// Results are key=value lines on stdout; failures go to stderr, exit 1.

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <latch>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using SteadyClock = std::chrono::steady_clock;

// Any single wait longer than this means the server is stuck: the client
// gives up instead of hanging.
constexpr int IoTimeoutSeconds = 30;
constexpr std::string_view EndMarker = "\r\n.\r\n";

double Milliseconds(SteadyClock::duration span)
{
    return std::chrono::duration<double, std::milli>(span).count();
}

double OwnCpuSeconds()
{
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// User plus system time of another process from /proc; -1 when unknown.
// Resolution is one clock tick (usually 10 ms).
double ProcessCpuSeconds(int pid)
{
    if (pid <= 0) {
        return -1;
    }
    const std::string path = "/proc/" + std::to_string(pid) + "/stat";
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (!file) {
        return -1;
    }
    char text[1024] = {};
    const size_t got = std::fread(text, 1, sizeof text - 1, file);
    std::fclose(file);
    text[got] = '\0';
    // Fields after the command name, which is in parentheses and may hold spaces.
    const char* rest = std::strrchr(text, ')');
    if (!rest) {
        return -1;
    }
    unsigned long utime = 0;
    unsigned long stime = 0;
    if (std::sscanf(rest + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime, &stime) != 2) {
        return -1;
    }
    return double(utime + stime) / double(::sysconf(_SC_CLK_TCK));
}

// Text lines of printable characters; no line starts with a dot, so the
// body never holds the end marker.
std::string MakeBody(size_t size)
{
    static constexpr std::string_view Line =
        "Benchmark line of plain text, seventy-eight characters long, then CR LF.....\r\n";
    std::string body;
    body.reserve(size);
    while (body.size() < size) {
        body.append(Line.substr(0, std::min(Line.size(), size - body.size())));
    }
    return body;
}

class SmtpConnection {
public:
    SmtpConnection() = default;
    SmtpConnection(const SmtpConnection&) = delete;
    SmtpConnection& operator=(const SmtpConnection&) = delete;
    ~SmtpConnection()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }

    bool Connect(int port)
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd_ < 0) {
            return Fail("socket");
        }
        const timeval limit {IoTimeoutSeconds, 0};
        const int on = 1;
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        ::setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            return Fail("connect");
        }
        return true;
    }

    bool Send(std::string_view bytes)
    {
        while (!bytes.empty()) {
            const ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (sent < 0 && errno == EINTR) {
                continue;
            }
            if (sent <= 0) {
                return Fail("send");
            }
            bytes.remove_prefix(static_cast<size_t>(sent));
        }
        return true;
    }

    // The next reply line with its CR LF, or "" (with Error set) on close or
    // time-out. Every reply of this server is one line.
    std::string ReadReply()
    {
        for (;;) {
            const size_t end = pending_.find("\r\n");
            if (end != std::string::npos) {
                std::string line = pending_.substr(0, end + 2);
                pending_.erase(0, end + 2);
                return line;
            }
            char buffer[4096];
            const ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got == 0) {
                error_ = "connection closed by the server";
                return {};
            }
            if (got < 0) {
                Fail("recv");
                return {};
            }
            pending_.append(buffer, static_cast<size_t>(got));
        }
    }

    bool ExpectReply(std::string_view code, std::string_view after)
    {
        const std::string reply = ReadReply();
        if (reply.substr(0, code.size()) != code) {
            error_ = "after " + std::string(after) + ": expected " + std::string(code) + ", got \"" +
                     Printable(reply) + "\"" + (error_.empty() ? "" : " (" + error_ + ")");
            return false;
        }
        return true;
    }

    bool Exchange(std::string_view line, std::string_view code)
    {
        return Send(line) && ExpectReply(code, line.substr(0, line.find('\r')));
    }

    // Greeting and HELO.
    bool Greet(int port)
    {
        return Connect(port) && ExpectReply("220 ", "connect") && Exchange("HELO bench.example\r\n", "250");
    }

    bool SendEnvelope()
    {
        return Exchange("MAIL FROM:<a@bench.example>\r\n", "250") && Exchange("RCPT TO:<b@x>\r\n", "250");
    }

    // Greeting, HELO, MAIL, RCPT: ready for DATA.
    bool Open(int port) { return Greet(port) && SendEnvelope(); }

    const std::string& Error() const { return error_; }

private:
    bool Fail(const char* what)
    {
        error_ = std::string(what) + ": " + std::strerror(errno);
        return false;
    }

    static std::string Printable(std::string_view text)
    {
        std::string out;
        for (const char c : text) {
            if (c == '\r') {
                out += "\\r";
            } else if (c == '\n') {
                out += "\\n";
            } else {
                out += c;
            }
        }
        return out;
    }

    int fd_ = -1;
    std::string pending_;
    std::string error_;
};

struct Options {
    std::string mode;
    int port = 0;
    int serverPid = 0;
    long mib = 50;
    long writeKib = 64;
    int sessions = 0; // 0: one large message, or five streaming sessions
    long bytes = 1024;
    long seconds = 5;
    long messages = 0; // per session; 0 runs for --seconds instead
    bool envelopeEach = false; // MAIL and RCPT before every DATA
};

bool ParseLong(const char* text, long minimum, long maximum, long* value)
{
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || parsed < minimum || parsed > maximum) {
        return false;
    }
    *value = parsed;
    return true;
}

bool ParseOptions(int argc, char** argv, Options* options)
{
    if (argc < 2) {
        return false;
    }
    options->mode = argv[1];
    if (options->mode != "large" && options->mode != "stream") {
        return false;
    }
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string_view name(argv[i]);
        long value = 0;
        bool ok = true;
        if (name == "--port") {
            ok = ParseLong(argv[i + 1], 1, 65535, &value);
            options->port = int(value);
        } else if (name == "--server-pid") {
            ok = ParseLong(argv[i + 1], 1, 1L << 30, &value);
            options->serverPid = int(value);
        } else if (name == "--mib") {
            ok = ParseLong(argv[i + 1], 1, 4096, &options->mib);
        } else if (name == "--write-kib") {
            ok = ParseLong(argv[i + 1], 1, 64 * 1024, &options->writeKib);
        } else if (name == "--sessions") {
            ok = ParseLong(argv[i + 1], 1, 64, &value);
            options->sessions = int(value);
        } else if (name == "--bytes") {
            ok = ParseLong(argv[i + 1], 1, 64L << 20, &options->bytes);
        } else if (name == "--seconds") {
            ok = ParseLong(argv[i + 1], 1, 600, &options->seconds);
        } else if (name == "--messages") {
            ok = ParseLong(argv[i + 1], 1, 100000000, &options->messages);
        } else if (name == "--envelope") {
            const std::string_view value(argv[i + 1]);
            ok = value == "once" || value == "each";
            options->envelopeEach = value == "each";
        } else {
            ok = false;
        }
        if (!ok) {
            return false;
        }
    }
    if (options->sessions == 0) {
        options->sessions = options->mode == "large" ? 1 : 5;
    }
    return argc % 2 == 0 && options->port != 0;
}

struct LargeRecord {
    SteadyClock::time_point bodySent;
    SteadyClock::time_point ok;
    long writes = 0;
    std::string error;
};

// One large message on a connection of its own: ready for DATA, then the
// body once every session is ready, then the end marker and its 250.
void SendLarge(const Options& options, const std::string& body, std::latch& ready, LargeRecord* record)
{
    const size_t writeSize = size_t(options.writeKib) << 10;
    SmtpConnection connection;
    const bool opened = connection.Open(options.port) && connection.Exchange("DATA\r\n", "354");
    ready.arrive_and_wait();
    if (!opened) {
        record->error = connection.Error();
        return;
    }
    for (size_t offset = 0; offset < body.size(); offset += writeSize) {
        if (!connection.Send(std::string_view(body).substr(offset, writeSize))) {
            record->error = connection.Error() + " after " + std::to_string(offset) + " bytes";
            return;
        }
        ++record->writes;
    }
    record->bodySent = SteadyClock::now();
    if (!connection.Send(EndMarker) || !connection.ExpectReply("250 ", "the end marker")) {
        record->error = connection.Error();
        return;
    }
    record->ok = SteadyClock::now();
    if (!connection.Exchange("QUIT\r\n", "221")) {
        record->error = connection.Error();
    }
}

int RunLarge(const Options& options)
{
    const size_t size = size_t(options.mib) << 20;
    const std::string body = MakeBody(size);
    std::vector<LargeRecord> records(size_t(options.sessions));
    std::latch ready(options.sessions + 1);
    std::vector<std::thread> threads;
    for (int i = 0; i < options.sessions; ++i) {
        threads.emplace_back(SendLarge, std::cref(options), std::cref(body), std::ref(ready), &records[size_t(i)]);
    }
    ready.arrive_and_wait();
    const double clientCpu0 = OwnCpuSeconds();
    const double serverCpu0 = ProcessCpuSeconds(options.serverPid);
    const auto start = SteadyClock::now();
    for (std::thread& thread : threads) {
        thread.join();
    }
    const double clientCpu = OwnCpuSeconds() - clientCpu0;
    const double serverCpu1 = ProcessCpuSeconds(options.serverPid);

    auto bodySent = start;
    auto ok = start;
    long writes = 0;
    for (size_t i = 0; i < records.size(); ++i) {
        if (!records[i].error.empty()) {
            std::fprintf(stderr, "large: session %zu: %s\n", i, records[i].error.c_str());
            return 1;
        }
        bodySent = std::max(bodySent, records[i].bodySent);
        ok = std::max(ok, records[i].ok);
        writes += records[i].writes + 1;
    }

    // With several sessions the time runs until the last 250.
    const double total = Milliseconds(ok - start);
    std::printf("mode=large\n");
    std::printf("sessions=%d\n", options.sessions);
    std::printf("messages=%d\n", options.sessions);
    std::printf("body_bytes=%zu\n", body.size());
    std::printf("write_bytes=%zu\n", size_t(options.writeKib) << 10);
    std::printf("writes=%ld\n", writes);
    std::printf("body_sent_ms=%.1f\n", Milliseconds(bodySent - start));
    std::printf("first_byte_to_ok_ms=%.1f\n", total);
    std::printf("mib_per_second=%.0f\n", double(options.mib * options.sessions) / (total / 1000.0));
    std::printf("client_cpu_s=%.3f\n", clientCpu);
    if (serverCpu0 >= 0 && serverCpu1 >= 0) {
        std::printf("server_cpu_s=%.2f\n", serverCpu1 - serverCpu0);
    }
    return 0;
}

struct SessionRecord {
    long messages = 0;
    std::vector<float> roundTripsMs; // first command of a message (MAIL or DATA) to its 250
    SteadyClock::time_point lastReply;
    std::string error;
};

void RunSession(const Options& options, const std::string& message, std::latch& ready,
                const std::atomic<bool>& stop, SessionRecord* record)
{
    SmtpConnection connection;
    const bool opened = options.envelopeEach ? connection.Greet(options.port) : connection.Open(options.port);
    ready.arrive_and_wait();
    if (!opened) {
        record->error = connection.Error();
        return;
    }
    record->roundTripsMs.reserve(options.messages > 0 ? size_t(options.messages) : 1 << 16);
    while (options.messages > 0 ? record->messages < options.messages
                                : !stop.load(std::memory_order_relaxed)) {
        const auto sent = SteadyClock::now();
        if ((options.envelopeEach && !connection.SendEnvelope()) || !connection.Exchange("DATA\r\n", "354") || !connection.Send(message) ||
            !connection.ExpectReply("250 ", "a message")) {
            record->error = connection.Error();
            return;
        }
        record->lastReply = SteadyClock::now();
        record->roundTripsMs.push_back(float(Milliseconds(record->lastReply - sent)));
        ++record->messages;
    }
    if (!connection.Exchange("QUIT\r\n", "221")) {
        record->error = connection.Error();
    }
}

int RunStream(const Options& options)
{
    const std::string message = MakeBody(size_t(options.bytes)) + std::string(EndMarker);
    std::vector<SessionRecord> records(size_t(options.sessions));
    std::latch ready(options.sessions + 1);
    std::atomic<bool> stop {false};
    std::vector<std::thread> threads;
    for (int i = 0; i < options.sessions; ++i) {
        threads.emplace_back(RunSession, std::cref(options), std::cref(message), std::ref(ready),
                             std::cref(stop), &records[size_t(i)]);
    }
    ready.arrive_and_wait();
    const auto start = SteadyClock::now();
    const double clientCpu0 = OwnCpuSeconds();
    const double serverCpu0 = ProcessCpuSeconds(options.serverPid);
    if (options.messages == 0) {
        std::this_thread::sleep_for(std::chrono::seconds(options.seconds));
        stop.store(true);
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    const double clientCpu = OwnCpuSeconds() - clientCpu0;
    const double serverCpu1 = ProcessCpuSeconds(options.serverPid);

    long total = 0;
    auto end = start;
    std::vector<float> roundTrips;
    bool failed = false;
    for (size_t i = 0; i < records.size(); ++i) {
        const SessionRecord& record = records[i];
        if (!record.error.empty()) {
            std::fprintf(stderr, "stream: session %zu: %s\n", i, record.error.c_str());
            failed = true;
        }
        total += record.messages;
        end = std::max(end, record.lastReply);
        roundTrips.insert(roundTrips.end(), record.roundTripsMs.begin(), record.roundTripsMs.end());
    }
    if (total == 0) {
        std::fprintf(stderr, "stream: no message was delivered\n");
    }
    if (failed || total == 0) {
        return 1;
    }
    std::sort(roundTrips.begin(), roundTrips.end());
    const auto percentile = [&](double p) {
        return roundTrips[std::min(roundTrips.size() - 1, size_t(p * double(roundTrips.size())))];
    };
    const double seconds = Milliseconds(end - start) / 1000.0;
    std::printf("mode=stream\n");
    std::printf("sessions=%d\n", options.sessions);
    std::printf("envelope=%s\n", options.envelopeEach ? "each" : "once");
    std::printf("message_bytes=%zu\n", message.size());
    std::printf("messages=%ld\n", total);
    std::printf("seconds=%.3f\n", seconds);
    std::printf("messages_per_second=%.0f\n", double(total) / seconds);
    std::printf("round_trip_p50_ms=%.3f\n", percentile(0.50));
    std::printf("round_trip_p99_ms=%.3f\n", percentile(0.99));
    std::printf("round_trip_max_ms=%.3f\n", roundTrips.back());
    std::printf("client_cpu_s=%.3f\n", clientCpu);
    std::printf("client_cpu_percent=%.0f\n", 100.0 * clientCpu / seconds);
    if (serverCpu0 >= 0 && serverCpu1 >= 0) {
        std::printf("server_cpu_s=%.2f\n", serverCpu1 - serverCpu0);
        std::printf("server_cpu_percent=%.0f\n", 100.0 * (serverCpu1 - serverCpu0) / seconds);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        std::fprintf(stderr,
                     "usage: bench_engine_client large --port N [--mib 50] [--write-kib 64] [--sessions 1]\n"
                     "                                 [--server-pid P]\n"
                     "       bench_engine_client stream --port N [--sessions 5] [--bytes 1024]\n"
                     "                                  [--seconds 5 | --messages M] [--server-pid P]\n"
                     "                                  [--envelope once|each]\n");
        return 2;
    }
    return options.mode == "large" ? RunLarge(options) : RunStream(options);
}
