#pragma once

#include <gmime/gmime.h>

// GMime is set up once per process, before its first use.
inline void EnsureGMime()
{
    static const bool initialised = [] {
        g_mime_init();
        return true;
    }();
    (void)initialised;
}
