// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRunnable>
#include <QThreadPool>

#include <atomic>
#include <memory>
#include <semaphore>

namespace vecardia {

// The threads that large books are read and written with beside the caller's own: one fewer than the machine
// runs at once, and no more than three (a book takes a few dozen milliseconds per 100,000 contacts, and more
// threads would spend more time starting than working).
[[nodiscard]] int helperThreads();

// Work done once each time it is handed out, by a helper thread or by the thread that handed it out. The hand-over
// both ways goes through the standard library's atomics, which race checkers see.
class HelperTask : public QRunnable {
public:
    HelperTask() { setAutoDelete(false); }

    // Whether a thread has begun the task since it was last handed out.
    [[nodiscard]] bool started() const { return m_started.load(std::memory_order_relaxed); }

    void run() final
    {
        (void)m_handedOut.load(std::memory_order_acquire);
        m_started.store(true, std::memory_order_relaxed);
        work();
        m_done.release();
    }

protected:
    virtual void work() = 0;

private:
    friend class HelperThreads;
    std::atomic<bool> m_handedOut{false};
    std::atomic<bool> m_started{false};
    std::binary_semaphore m_done{0};
};

// Helper threads of the caller's own, started with the first task: each thread allocates from an arena of its
// own, and a shared pool that took more threads would spread the work over more of them. Every task handed out is
// collected or withdrawn once before it is handed out again, and before this goes.
class HelperThreads {
public:
    explicit HelperThreads(int count) : m_count(count) {}

    void handOut(HelperTask *task);
    // Does on this thread the first of the tasks that no helper has taken yet; false when helpers took them all.
    template<typename It>
    bool runOneHere(It first, It last)
    {
        for (; first != last; ++first) {
            if (runHere(*first))
                return true;
        }
        return false;
    }
    // True, once, when the task is done.
    [[nodiscard]] bool tryCollect(HelperTask *task) { return task->m_done.try_acquire(); }
    // Waits until the task is done, doing it here when no helper has taken it.
    void collect(HelperTask *task);
    // Takes back a task that no helper has started, or waits for it: work given up on.
    void withdraw(HelperTask *task);

private:
    bool runHere(HelperTask *task);

    int m_count;
    std::unique_ptr<QThreadPool> m_pool;
};

} // namespace vecardia
