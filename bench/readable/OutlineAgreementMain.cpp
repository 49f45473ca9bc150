// bench_outline_agreement: whether the MIME outline that bounds GMime's
// parse reads messages as the GMime installed reads them. It builds
// random messages from pieces of MIME structure, malformed ones included
// (header blocks without blank lines, lines that are no fields, repeated
// Content-Type fields, boundaries in odd places), outlines each with random
// limits as the readable form does, lets GMime parse what the outline
// allows and counts the parts GMime built.
//
//   bench_outline_agreement [--rounds 100000] [--seed 1]
//
// It fails when GMime built more parts or levels than the outline allowed:
// then the limits would not hold with this GMime. Without limits it also
// counts the messages where the two disagree at all.

#include "GMimeSupport.h"
#include "MessageFile.h"
#include "MimeEntity.h"
#include "MimeOutline.h"

#include <QCoreApplication>
#include <QRandomGenerator>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void CountParts(GMimeObject* object, int depth, qsizetype& parts, int& deepest)
{
    deepest = std::max(deepest, depth);
    if (GMIME_IS_MULTIPART(object)) {
        for (int i = 0; i < g_mime_multipart_get_count(GMIME_MULTIPART(object)); ++i) {
            ++parts;
            CountParts(g_mime_multipart_get_part(GMIME_MULTIPART(object), i), depth + 1, parts, deepest);
        }
    }
}

const char* const Pieces[] = {
    "--a", "--b", "--ab", "--a--", "--b--", "--", "--a  ", "--b\t", "--a-- x", "--ab--", "--a\r", "--b\r\r", "\r",
    "Content-Type: multipart/mixed; boundary=a", "Content-Type: multipart/mixed; boundary=b",
    "Content-Type: multipart/alternative; boundary=\"ab\"", "Content-Type : multipart/mixed; boundary=b",
    "content-type: multipart/mixed;\r\n boundary=a", "Content-Type: text/plain", "Content-Type: multipart/mixed",
    "Content-Type: multipart/digest; boundary=b", "Content-Type: message/rfc822",
    "Content-Type: multipart/mixed; boundary=\"\"", "Content-Type: multipart/mixed; boundary*=''a",
    "Content-Type: multipart/mixed; boundary=a; boundary=b", "Content-Type: multipart/mixed; boundary=\"a b\"",
    "Content-Type: multipart/mixed; boundary=\x80", "Content-Type:multipart/mixed;boundary=a", "--a b", "--\x80",
    "X-A: 1", "X\x80: y", "not a header", " folded", "\tfolded", "", "", "", "body text", "From x", ":novalue", "a:b",
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    int rounds = 100000;
    quint32 seed = 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--rounds") == 0) {
            rounds = std::max(1, std::atoi(argv[i + 1]));
        } else if (std::strcmp(argv[i], "--seed") == 0) {
            seed = static_cast<quint32>(std::atoi(argv[i + 1]));
        }
    }
    QRandomGenerator random(seed);
    int unlimited = 0;
    int disagreed = 0;
    for (int round = 0; round < rounds; ++round) {
        QByteArray sent;
        for (int line = random.bounded(1, 40); line > 0; --line) {
            sent += Pieces[random.bounded(static_cast<int>(std::size(Pieces)))];
            sent += random.bounded(10) == 0 ? "\n" : "\r\n";
        }
        // As the readable form parses a message.
        const QByteArray message = WithHeaderBlockEnd(sent);
        const bool limited = random.bounded(2) == 0;
        const qsizetype maxParts = limited ? random.bounded(0, 6) : MaxParts;
        const int maxDepth = limited ? random.bounded(1, 4) : MaxNesting;
        MimeOutline outline(message, maxParts, maxDepth);
        while (outline.Step(random.bounded(1, 100))) {
        }
        const QByteArray input = outline.ParseInput();
        const MimeEntity entity(input);
        qsizetype parts = 0;
        int deepest = 0;
        if (entity.Root()) {
            CountParts(entity.Root(), 0, parts, deepest);
        }
        // A cut may leave GMime one part the outline did not count.
        if (parts > outline.Parts() + (limited ? 1 : 0) || deepest > maxDepth + 1) {
            std::printf("round %d: GMime built %lld parts %d deep, the outline allowed %lld parts %d deep\n", round,
                        static_cast<long long>(parts), deepest, static_cast<long long>(outline.Parts()), maxDepth);
            return 1;
        }
        if (!limited) {
            ++unlimited;
            disagreed += parts != outline.Parts() ? 1 : 0;
        }
    }
    std::printf("rounds=%d\nrounds_without_limits=%d\nrounds_counted_otherwise=%d\n", rounds, unlimited, disagreed);
    return 0;
}
