#pragma once

#include <QByteArrayView>

// GMime's own declarations, so that including this needs no GLib headers.
typedef struct _GMimeObject GMimeObject;
typedef struct _GMimeStream GMimeStream;
typedef struct _GByteArray GByteArray;

// One MIME entity (a header block and its body, as a message is) parsed by
// GMime from bytes it reads in place, without a copy: they must outlive
// it, and so must the bytes of any part's content taken from it. Every
// header field stays on the root object.
class MimeEntity {
public:
    explicit MimeEntity(QByteArrayView bytes);
    ~MimeEntity();
    MimeEntity(const MimeEntity&) = delete;
    MimeEntity& operator=(const MimeEntity&) = delete;

    GMimeObject* Root() const { return root_; }

private:
    GByteArray* array_;
    GMimeStream* stream_;
    GMimeObject* root_;
};
