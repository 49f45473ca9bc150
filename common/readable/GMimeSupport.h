#pragma once

#include "ReadingLimits.h"

#include <gmime/gmime.h>

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <memory>

// GMime is set up once per process, before its first use. Enclosed
// messages stay leaf parts: each is parsed by itself when its turn comes,
// within the limits left, and GMime's own reading of a message's header
// fields (which decodes and parses a field of any length) never runs.
inline void EnsureGMime()
{
    static const bool initialised = [] {
        g_mime_init();
        for (const char* subtype : {"rfc822", "rfc2822", "global", "news"}) {
            g_mime_object_register_type("message", subtype, GMIME_TYPE_PART);
        }
        return true;
    }();
    (void)initialised;
}

// Owners of what GMime hands out: objects by reference count, strings by g_free.
struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using GPtr = std::unique_ptr<T, GObjectUnref>;

struct GFree {
    void operator()(gpointer memory) const { g_free(memory); }
};
using GString8 = std::unique_ptr<char, GFree>;

// A UTF-8 string GMime allocated, taken over and freed.
inline QString FromGString(char* owned)
{
    const GString8 text(owned);
    return QString::fromUtf8(text.get());
}

// The raw value of an object's first header field of that name, as it
// stands in the message (folded, with its leading blank), at most its
// first MaxFieldBytes bytes; `size` (when given) is set to its whole size
// without its last line end. Null when the object has none.
inline QByteArray RawHeader(GMimeObject* object, const char* name, qsizetype* size = nullptr)
{
    GMimeHeaderList* list = object ? g_mime_object_get_header_list(object) : nullptr;
    GMimeHeader* header = list ? g_mime_header_list_get_header(list, name) : nullptr;
    const char* raw = header ? g_mime_header_get_raw_value(header) : nullptr;
    if (raw == nullptr) {
        return {};
    }
    const QByteArrayView value(raw);
    if (size) {
        *size = value.size() - (value.endsWith("\r\n") ? 2 : value.endsWith('\n') ? 1 : 0);
    }
    return value.first(std::min(value.size(), MaxFieldBytes)).toByteArray();
}
