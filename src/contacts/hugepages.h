#pragma once

// Large books fill hundreds of megabytes in many small allocations. With transparent huge pages the kernel maps
// that memory 2 MB at a time instead of 4 KB, which makes opening a large book several times faster where a page
// fault is dear (virtual machines) and saves TLB misses everywhere. glibc's allocator asks for them when the tunable
// glibc.malloc.hugetlb is 1, and reads its tunables only as the process starts: so the program starts itself once
// more with it set. Nothing changes when the user set any tunables, when the exec fails, or on another C library.
//
// The same start turns glibc's "fast bins" off (glibc.malloc.mxfast=0). With them, the hundreds of thousands of
// small texts freed when a book is closed stay unmerged, and the first larger allocation after it (the next book's
// first piece) walks them all, one cache miss each: a few milliseconds per 100,000 contacts, paid inside the next
// read. Without them each freed block is merged with its neighbours as it is freed, while they are still at hand;
// closing a book is no slower, and the memory goes back to the system.

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
    if (::setenv("GLIBC_TUNABLES", "glibc.malloc.hugetlb=1:glibc.malloc.mxfast=0", 1) != 0)
        return;
    ::execv("/proc/self/exe", argv);
    ::unsetenv("GLIBC_TUNABLES"); // the exec failed: go on as we are
#endif
}

} // namespace vecardia
