// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Large books fill hundreds of megabytes in many small allocations. With transparent huge pages the kernel maps
// that memory 2 MB at a time instead of 4 KB, which can make opening a very large book faster where a page fault
// is dear (some virtual machines). glibc's allocator asks for them when the tunable glibc.malloc.hugetlb is 1, and
// reads its tunables only as the process starts, so the program has to start itself once more with it set.
//
// That is the user's choice: VECARDIA_HUGEPAGES=1 in the environment asks for it. Nothing changes without it, when
// the user set glibc tunables of their own, when the exec fails, or on another C library. The tunable is taken out
// of the environment again once the process runs with it, so programs started from the window (a browser, a mail
// client) never inherit it.

namespace vecardia {

// Called first thing in main(), with main's argv: may not return (the process starts again as itself).
void startWithHugePagesIfAsked(char *argv[]);

} // namespace vecardia
