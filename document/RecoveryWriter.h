#pragma once
// Writes recovery copies on a thread of its own, so that a large drawing
// never stalls the window: the document is serialised where it lives, and
// only the finished bytes come here. Jobs run one at a time in the order
// given; a write still waiting is replaced by a newer one of the same copy,
// and a removal drops the writes of its copy that have not started.

#include "document/RecoveryStore.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace qv {

class RecoveryWriter {
public:
    struct Outcome {
        std::string name;
        // The number the write was given; 0 for a removal.
        std::uint64_t ticket = 0;
        PackageResult result;
    };
    // Called on the writer's thread after each job.
    using Done = std::function<void(const Outcome&)>;

    RecoveryWriter(RecoveryStore store, Done done, FileOperations& ops = FileOperations::system());
    // Finishes every job given, then ends the thread.
    ~RecoveryWriter();
    RecoveryWriter(const RecoveryWriter&) = delete;
    RecoveryWriter& operator=(const RecoveryWriter&) = delete;

    void write(std::string name, RecoveryRecord record, PackageFiles files, std::uint64_t ticket);
    void remove(std::string name);
    // Returns once every job given so far has been done.
    void waitUntilIdle();

private:
    struct Job {
        std::string name;
        bool removal = false;
        RecoveryRecord record;
        PackageFiles files;
        std::uint64_t ticket = 0;
    };
    void run();

    RecoveryStore m_Store;
    Done m_Done;
    FileOperations& m_Ops;
    std::mutex m_Mutex;
    std::condition_variable m_Changed;
    std::deque<Job> m_Jobs;
    bool m_Busy = false;
    bool m_Stopping = false;
    std::thread m_Thread;
};

} // namespace qv
