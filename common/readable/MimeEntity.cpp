#include "MimeEntity.h"

#include "GMimeSupport.h"

MimeEntity::MimeEntity(QByteArrayView bytes)
{
    EnsureGMime();
    // The array only lends GMime the bytes: it never frees them and is
    // freed without them.
    array_ = g_byte_array_new_take(reinterpret_cast<guint8*>(const_cast<char*>(bytes.data())),
                                   static_cast<gsize>(bytes.size()));
    stream_ = g_mime_stream_mem_new_with_byte_array(array_);
    g_mime_stream_mem_set_owner(GMIME_STREAM_MEM(stream_), FALSE);
    GPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream_));
    g_mime_parser_set_format(parser.get(), GMIME_FORMAT_MESSAGE);
    root_ = g_mime_parser_construct_part(parser.get(), nullptr);
}

MimeEntity::~MimeEntity()
{
    if (root_) {
        g_object_unref(root_);
    }
    g_object_unref(stream_);
    g_byte_array_free(array_, FALSE);
}
