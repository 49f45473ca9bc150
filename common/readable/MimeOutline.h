#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <utility>

// What GMime may parse of one message so that it builds at most `maxParts`
// body parts in at most `maxDepth` levels of multiparts, and holds no
// header block of more than MaxHeaderFields fields nor a field longer
// than MaxFieldBytes (past those, fields are left out, but the first
// From, To, Cc, Date, Subject, Content-Type, Content-Transfer-Encoding
// and Content-Disposition of each block, a Content field cut to
// MaxFieldBytes). The message is read line by line the way GMime's parser
// reads it: header blocks, the boundary each multipart declares, and the
// boundary lines that open and close its parts. GMime reads a line longer
// than its buffer a piece at a time and may find a boundary line inside
// it; so the parse also ends after MaxBoundaryLines lines that could open
// a part (starting with "--", or such pieces of long lines), which bounds
// what GMime can build whatever it finds. Linear in the message's length,
// with memory bounded by maxDepth and the limits; read a slice at a time.
class MimeOutline {
public:
    MimeOutline(QByteArrayView message, qsizetype maxParts, int maxDepth);

    // Reads at least `bytes` more of the message (whole lines); false once
    // the outline is complete.
    bool Step(qsizetype bytes);
    bool Done() const { return done_; }

    // Why the parse ends before the message does.
    enum class CutFor { Nothing, Parts, Nesting, BoundaryLines };

    // Once done: the bytes for GMime, the message up to ParseEnd() without
    // the fields left out (shared with the message when none is), holding
    // Parts() body parts. After a cut for parts, PartsLeftOut() counts the
    // parts behind it; after any other cut, the rest is not read.
    QByteArray ParseInput() const;
    qsizetype ParseEnd() const { return parseEnd_; }
    qsizetype Parts() const { return parts_; }
    qsizetype PartsLeftOut() const { return partsLeftOut_; }
    CutFor CutReason() const { return cutFor_; }

private:
    // The header field being read, which folded lines may continue.
    struct Field {
        unsigned kind = 0;
        bool valid = false;  // GMime reads it as a field
        qsizetype start = 0; // of its first line
        qsizetype end = 0;   // past its last line's line end
    };

    void HeaderLine(QByteArrayView text, qsizetype lineStart, qsizetype next);
    void FinishField();
    void EndHeaders();
    bool BoundaryLine(QByteArrayView text, qsizetype lineStart);
    void StartPart(qsizetype lineStart);
    void CutAt(qsizetype lineStart, CutFor reason);
    void LeaveOut(qsizetype from, qsizetype to);

    QByteArrayView message_;
    qsizetype maxParts_;
    int maxDepth_;
    qsizetype at_ = 0; // the next line's start

    // Boundary markers ("--" and the boundary) of the open multiparts, the
    // innermost last.
    QList<QByteArray> frames_;
    bool inHeaders_ = true;
    Field field_;
    bool inField_ = false;
    qsizetype fields_ = 0;       // kept in the header block
    unsigned fieldsSeen_ = 0;    // kinds of field met in the header block
    QByteArray declared_;        // the marker the header block declares, if any
    qsizetype entityLine_ = 0;   // where the entity's boundary line starts
    qsizetype blockStart_ = 0;   // where the entity's header block starts
    QList<std::pair<qsizetype, qsizetype>> leftOut_; // byte ranges GMime is not given

    bool done_ = false;
    CutFor cutFor_ = CutFor::Nothing;
    qsizetype boundaryLines_ = 0; // lines that could open a part
    qsizetype parseEnd_ = 0;
    qsizetype parts_ = 0;
    qsizetype partsLeftOut_ = 0;
};
