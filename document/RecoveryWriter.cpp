#include "document/RecoveryWriter.h"

#include <algorithm>

namespace qv {

RecoveryWriter::RecoveryWriter(RecoveryStore store, Done done, FileOperations& ops)
    : m_Store(std::move(store)), m_Done(std::move(done)), m_Ops(ops), m_Thread([this] { run(); }) {}

RecoveryWriter::~RecoveryWriter() {
    {
        std::lock_guard lock(m_Mutex);
        m_Stopping = true;
    }
    m_Changed.notify_all();
    m_Thread.join();
}

void RecoveryWriter::write(std::string name, RecoveryRecord record, PackageFiles files,
                           std::uint64_t ticket) {
    {
        std::lock_guard lock(m_Mutex);
        Job job{std::move(name), false, std::move(record), std::move(files), ticket};
        const auto waiting = std::find_if(m_Jobs.begin(), m_Jobs.end(), [&](const Job& j) {
            return !j.removal && j.name == job.name;
        });
        if (waiting != m_Jobs.end())
            *waiting = std::move(job);
        else
            m_Jobs.push_back(std::move(job));
    }
    m_Changed.notify_all();
}

void RecoveryWriter::remove(std::string name) {
    {
        std::lock_guard lock(m_Mutex);
        std::erase_if(m_Jobs, [&](const Job& j) { return j.name == name; });
        Job job;
        job.name = std::move(name);
        job.removal = true;
        m_Jobs.push_back(std::move(job));
    }
    m_Changed.notify_all();
}

void RecoveryWriter::waitUntilIdle() {
    std::unique_lock lock(m_Mutex);
    m_Changed.wait(lock, [this] { return m_Jobs.empty() && !m_Busy; });
}

void RecoveryWriter::run() {
    std::unique_lock lock(m_Mutex);
    while (true) {
        m_Changed.wait(lock, [this] { return m_Stopping || !m_Jobs.empty(); });
        if (m_Jobs.empty())
            return; // stopping, and nothing left to write
        Job job = std::move(m_Jobs.front());
        m_Jobs.pop_front();
        m_Busy = true;
        lock.unlock();
        Outcome outcome;
        outcome.name = job.name;
        outcome.ticket = job.ticket;
        outcome.result = job.removal ? m_Store.removeCopy(job.name)
                                     : m_Store.writeCopy(job.name, job.record, job.files, m_Ops);
        // The bytes go before the next job is taken.
        job.files.clear();
        if (m_Done)
            m_Done(outcome);
        lock.lock();
        m_Busy = false;
        m_Changed.notify_all();
    }
}

} // namespace qv
