#pragma once

// Large books fill hundreds of megabytes in many small allocations. With transparent huge pages the kernel maps
// that memory 2 MB at a time instead of 4 KB, which makes opening a large book several times faster where a page
// fault is dear (virtual machines) and saves TLB misses everywhere. glibc's allocator asks for them when the tunable
// glibc.malloc.hugetlb is 1, and reads its tunables only as the process starts: so the program starts itself once
// more with it set. Nothing changes when the user set any tunables, when the exec fails, or on another C library.

#include <cstdlib>

#if defined(__GLIBC__)
#include <unistd.h>
#endif

namespace vecardia {

inline void startWithHugePages([[maybe_unused]] char *argv[])
{
#if defined(__GLIBC__) && (__GLIBC__ > 2 || __GLIBC_MINOR__ >= 35)
    if (std::getenv("GLIBC_TUNABLES"))
        return; // set by the user, or by our own first start
    if (::setenv("GLIBC_TUNABLES", "glibc.malloc.hugetlb=1", 1) != 0)
        return;
    ::execv("/proc/self/exe", argv);
    ::unsetenv("GLIBC_TUNABLES"); // the exec failed: go on as we are
#endif
}

} // namespace vecardia
