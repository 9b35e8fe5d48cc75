// SPDX-License-Identifier: GPL-3.0-or-later
#include "runtime/helperthreads.h"

#include <QThread>

#include <algorithm>

namespace vecardia {

int helperThreads()
{
    return std::clamp(QThread::idealThreadCount() - 1, 0, 3);
}

void HelperThreads::handOut(HelperTask *task)
{
    if (!m_pool) {
        m_pool = std::make_unique<QThreadPool>();
        m_pool->setMaxThreadCount(m_count);
    }
    task->m_started.store(false, std::memory_order_relaxed);
    task->m_handedOut.store(true, std::memory_order_release);
    m_pool->start(task);
}

bool HelperThreads::runHere(HelperTask *task)
{
    if (!m_pool || !m_pool->tryTake(task))
        return false;
    task->run();
    return true;
}

void HelperThreads::collect(HelperTask *task)
{
    (void)runHere(task);
    task->m_done.acquire();
}

void HelperThreads::withdraw(HelperTask *task)
{
    if (!m_pool || !m_pool->tryTake(task))
        task->m_done.acquire();
}

} // namespace vecardia
