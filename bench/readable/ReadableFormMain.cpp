// bench_readable_form: the readable form of three large message files, as
// the pop-up, the viewer and --print compute it.
//
//   bench_readable_form [--runs 10]
//
// Figures, as key=value lines on stdout (mean over --runs after one
// warm-up run; max is the slowest run):
//   attachment_ms  a 10 MiB message that is mostly one base64 attachment
//   jis_text_ms    a 5 MiB ISO-2022-JP text body
//   sjis_text_ms   a 5 MiB Shift_JIS text body full of the characters only
//                  Windows' CP932 has
// Each is checked to give the text it should before it is timed.

#include "ReadableForm.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr qsizetype MiB = 1024 * 1024;

struct Sample {
    QByteArray file;
    QString expected; // a text the readable form holds...
    qsizetype times;  // ...this many times
};

// Headers, a short text part and a base64 attachment, 10 MiB in all.
Sample AttachmentMessage()
{
    QByteArray file = "From: sender@bench.example\r\nSubject: =?UTF-8?B?5aCx5ZGK5pu4?=\r\nMIME-Version: 1.0\r\n"
                      "Content-Type: multipart/mixed; boundary=\"bench\"\r\n\r\n--bench\r\n"
                      "Content-Type: text/plain; charset=UTF-8\r\n\r\n\xe6\xb7\xbb\xe4\xbb\x98\xe3\x81\x97\xe3\x81\xbe"
                      "\xe3\x81\x99\xe3\x80\x82\r\n--bench\r\nContent-Type: application/octet-stream\r\n"
                      "Content-Transfer-Encoding: base64\r\nContent-Disposition: attachment; filename=data.bin\r\n\r\n";
    const qsizetype closing = 64;
    const qsizetype lineBytes = 57; // 76 base64 characters
    const qsizetype lines = (10 * MiB - file.size() - closing) / 78;
    QByteArray data(lines * lineBytes, Qt::Uninitialized);
    QRandomGenerator generator(10);
    for (char& byte : data) {
        byte = static_cast<char>(generator.bounded(256));
    }
    const QByteArray encoded = data.toBase64();
    for (qsizetype at = 0; at < encoded.size(); at += 76) {
        file += encoded.mid(at, 76) + "\r\n";
    }
    file += "--bench--\r\n.\r\n";
    const QString expected = QStringLiteral("\n\n添付します。\n[添付] data.bin (application/octet-stream, %1 バイト)\n");
    return {file, expected.arg(data.size()), 1};
}

// A text body of one line repeated up to 5 MiB, the line's text expected
// once per line.
Sample RepeatedLineMessage(QByteArray file, const QByteArray& line, const QString& lineText)
{
    file.reserve(file.size() + 5 * MiB + line.size() + 8);
    qsizetype lines = 0;
    for (; file.size() < 5 * MiB; ++lines) {
        file += line;
    }
    file += ".\r\n";
    return {file, lineText, lines};
}

// 山田です。会議は明日です。 on every line, in ISO-2022-JP.
Sample JisTextMessage()
{
    return RepeatedLineMessage("From: sender@bench.example\r\nSubject: =?ISO-2022-JP?B?GyRCMnE1RCRON28bKEI=?=\r\n"
                               "Content-Type: text/plain; charset=ISO-2022-JP\r\n\r\n",
                               "\x1b$B;3ED$G$9!#2q5D$OL@F|$G$9!#\x1b(B\r\n", QStringLiteral("山田です。会議は明日です。\n"));
}

// ①②③㈱髙﨑Ⅲ№℡∑ (NEC row 13 and IBM extensions) on every line, in
// Shift_JIS as Windows writes it.
Sample ShiftJisTextMessage()
{
    return RepeatedLineMessage(
        "From: sender@bench.example\r\nSubject: =?Shift_JIS?B?h0CHQYdC?=\r\n"
        "Content-Type: text/plain; charset=Shift_JIS\r\n\r\n",
        "\x87\x40\x87\x41\x87\x42\x87\x8a\xfb\xfc\xfa\xb1\x87\x56\x87\x82\x87\x84\x87\x94\r\n",
        QStringLiteral("\u2460\u2461\u2462\u3231\u9AD9\uFA11\u2162\u2116\u2121\u2211\n"));
}

void Measure(const char* name, const Sample& sample, int runs)
{
    const QByteArray& file = sample.file;
    if (ReadableForm(file).count(sample.expected) != sample.times) {
        std::fprintf(stderr, "%s: the readable form lacks the expected text\n", name);
        std::exit(1);
    }
    double total = 0;
    double slowest = 0;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        const QString text = ReadableForm(file);
        const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        total += ms;
        slowest = std::max(slowest, ms);
    }
    std::printf("%s_file_bytes=%lld\n%s_ms=%.1f\n%s_max_ms=%.1f\n", name, static_cast<long long>(file.size()), name,
                total / runs, name, slowest);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    int runs = 10;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--runs") == 0) {
            runs = std::max(1, std::atoi(argv[i + 1]));
        }
    }
    Measure("attachment", AttachmentMessage(), runs);
    Measure("jis_text", JisTextMessage(), runs);
    Measure("sjis_text", ShiftJisTextMessage(), runs);
    return 0;
}
