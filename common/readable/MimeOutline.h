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
// reads it: header blocks, the boundaries each multipart declares, and the
// boundary lines that open and close its parts. Where the two could differ
// (odd header blocks, a boundary line longer than GMime's buffer), the
// outline counts a boundary GMime might see, so that GMime never finds
// more parts or levels than the outline allowed. Linear in the message's
// length, with memory bounded by maxDepth and the limits; read a slice at
// a time.
class MimeOutline {
public:
    MimeOutline(QByteArrayView message, qsizetype maxParts, int maxDepth);

    // Reads at least `bytes` more of the message (whole lines); false once
    // the outline is complete.
    bool Step(qsizetype bytes);
    bool Done() const { return done_; }

    // Once done: the bytes for GMime, the message up to ParseEnd() without
    // the fields left out (shared with the message when none is), holding
    // Parts() body parts. When the cut came at a multipart nested deeper
    // than allowed, TooDeep() is true and the rest is not counted;
    // otherwise PartsLeftOut() counts the parts behind the cut.
    QByteArray ParseInput() const;
    qsizetype ParseEnd() const { return parseEnd_; }
    qsizetype Parts() const { return parts_; }
    qsizetype PartsLeftOut() const { return partsLeftOut_; }
    bool TooDeep() const { return tooDeep_; }

private:
    // The header field being read, which folded lines may continue.
    struct Field {
        unsigned kind = 0;
        qsizetype start = 0; // of its first line
        qsizetype end = 0;   // past its last line's line end
    };

    void HeaderLine(QByteArrayView text, qsizetype lineStart, qsizetype next);
    void FinishField();
    void EndHeaders();
    bool BoundaryLine(QByteArrayView text, qsizetype lineStart);
    void StartPart(qsizetype lineStart);
    void Cut(qsizetype lineStart);
    void LeaveOut(qsizetype from, qsizetype to);

    QByteArrayView message_;
    qsizetype maxParts_;
    int maxDepth_;
    qsizetype at_ = 0; // the next line's start

    // Boundaries ("--" and the boundary) of the open multiparts, the
    // innermost last; a multipart may declare more than one.
    QList<QList<QByteArray>> frames_;
    bool inHeaders_ = true;
    Field field_;
    bool inField_ = false;
    qsizetype fields_ = 0;       // in the header block
    unsigned fieldsSeen_ = 0;    // kinds of field met in the header block
    QList<QByteArray> declared_; // boundaries the header block declares
    qsizetype entityLine_ = 0;   // where the entity's boundary line starts
    QList<std::pair<qsizetype, qsizetype>> leftOut_; // byte ranges GMime is not given

    bool done_ = false;
    bool cut_ = false;
    bool tooDeep_ = false;
    qsizetype parseEnd_ = 0;
    qsizetype parts_ = 0;
    qsizetype partsLeftOut_ = 0;
};
