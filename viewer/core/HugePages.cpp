#include "HugePages.h"

#include <sys/mman.h>

#include <cstdint>

void AdviseHugePages(void* data, qint64 bytes)
{
    constexpr std::uintptr_t HugePage = 2 * 1024 * 1024;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + HugePage - 1) & ~(HugePage - 1);
    const std::uintptr_t last = (begin + std::uintptr_t(bytes)) & ~(HugePage - 1);
    if (data && bytes > 0 && last > first) {
        // Only whole huge pages inside the buffer; a refusal is harmless.
        madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    }
}
