#include "memoryhint.h"

#if defined(Q_OS_LINUX)
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#endif

namespace trellim {

void AdviseLargeBuffer(char* data, qsizetype size)
{
#if defined(Q_OS_LINUX) && defined(MADV_HUGEPAGE)
    constexpr qsizetype kWorthIt = 4 * 1024 * 1024;
    if (data == nullptr || size < kWorthIt)
        return;
    const auto page = std::uintptr_t(sysconf(_SC_PAGESIZE));
    const auto begin = (std::uintptr_t(data) + page - 1) & ~(page - 1);
    const auto end = (std::uintptr_t(data) + std::uintptr_t(size)) & ~(page - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE); // a hint: failure is harmless
#else
    Q_UNUSED(data);
    Q_UNUSED(size);
#endif
}

} // namespace trellim
