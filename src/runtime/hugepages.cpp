// SPDX-License-Identifier: GPL-3.0-or-later
#include "runtime/hugepages.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#if defined(__GLIBC__)
#include <unistd.h>
#endif

namespace vecardia {

namespace {

constexpr const char *kAsk = "VECARDIA_HUGEPAGES";
constexpr const char *kTunables = "GLIBC_TUNABLES";
constexpr const char *kHugePages = "glibc.malloc.hugetlb=1";
// What kAsk holds while the process starts again: the tunable there is ours to take back.
constexpr const char *kRestarted = "restarted";

} // namespace

void startWithHugePagesIfAsked([[maybe_unused]] char *argv[])
{
#if defined(__GLIBC__) && (__GLIBC__ > 2 || __GLIBC_MINOR__ >= 35)
    const char *ask = std::getenv(kAsk);
    if (!ask)
        return;
    if (std::strcmp(ask, kRestarted) == 0) {
        // The allocator has read its tunables: the environment goes back to what the user gave us.
        ::unsetenv(kTunables);
        ::setenv(kAsk, "1", 1);
        return;
    }
    if (std::strcmp(ask, "1") != 0 || std::getenv(kTunables))
        return; // not asked, or tunables of the user's own
    // The program's own file, by its name: the process keeps it ("vecardia" in ps, not "exe").
    char self[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return;
    self[length] = '\0';
    if (::setenv(kTunables, kHugePages, 1) != 0 || ::setenv(kAsk, kRestarted, 1) != 0)
        return;
    ::execv(self, argv);
    // The exec failed: go on as we are.
    ::unsetenv(kTunables);
    ::setenv(kAsk, "1", 1);
#endif
}

} // namespace vecardia
