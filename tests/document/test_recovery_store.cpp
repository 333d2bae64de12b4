#include "document/RecoveryStore.h"
#include "document/RecoveryWriter.h"

#include "document/DrawDocument.h"
#include "shapes/RectangleShape.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sys/wait.h>
#include <unistd.h>

namespace qv {
namespace {

namespace fs = std::filesystem;

ByteBuffer bytes(std::string_view s) {
    return ByteBuffer(s.begin(), s.end());
}

std::string fileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// An identity no process has: this boot never had it.
ProcessIdentity endedProcess(long pid = 4242) {
    ProcessIdentity p;
    p.bootId = std::string(32, 'e');
    p.pid = pid;
    p.startTime = 77;
    return p;
}

// The "Shapes.xml" of a drawing with `count` rectangles.
ByteBuffer drawingXml(int count) {
    DrawDocument document;
    ShapeList shapes;
    for (int i = 0; i < count; ++i) {
        auto shape = std::make_shared<RectangleShape>();
        shape->setBounds({double(10 * i), 10, 30, 20});
        shapes.push_back(shape);
    }
    document.setShapes(shapes);
    return document.dataWithSelectionOnly(false);
}

class RecoveryStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string templ = (fs::temp_directory_path() / "qvrecXXXXXX").string();
        ASSERT_TRUE(::mkdtemp(templ.data()));
        m_Root = templ;
    }
    void TearDown() override { fs::remove_all(m_Root); }

    std::string folder() const { return (m_Root / "state/recovery").string(); }

    // A copy as an ended process left it.
    std::string leaveCopy(RecoveryStore& store, const ProcessIdentity& owner, unsigned number,
                          const RecoveryRecord& record, const PackageFiles& files) {
        const std::string name = recoveryCopyName(owner, number);
        EXPECT_TRUE(store.writeCopy(name, record, files));
        return name;
    }

    fs::path m_Root;
};

TEST(RecoveryRecord, ReadsBackExactlyAndDamagedRecordsAreRefused) {
    RecoveryRecord record;
    record.originalPath = "/home/ann/odd 100% name\nwith a line break/Plan \u00e9.qvdraw";
    record.displayName = "Plan \u00e9.qvdraw";
    record.copyTime = 1700000000123;
    record.writer = endedProcess();
    EXPECT_EQ(decodeRecoveryRecord(encodeRecoveryRecord(record)), record);
    const std::string text = encodeRecoveryRecord(record);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 7) << "one line per field";

    RecoveryRecord untitled;
    untitled.displayName = "Untitled 2";
    untitled.copyTime = 5;
    EXPECT_EQ(decodeRecoveryRecord(encodeRecoveryRecord(untitled)), untitled);

    EXPECT_FALSE(decodeRecoveryRecord(""));
    EXPECT_FALSE(decodeRecoveryRecord("Something else 1\nname=a\ntime=1\n"));
    // Cut off before the time: half a record is no record.
    EXPECT_FALSE(decodeRecoveryRecord(text.substr(0, text.find("time="))));
    EXPECT_FALSE(decodeRecoveryRecord("QuorvikDrawRecovery 1\nname=a%G1\ntime=1\n"));
    EXPECT_FALSE(decodeRecoveryRecord("QuorvikDrawRecovery 1\nname=a%4\ntime=1\n"));
    EXPECT_FALSE(decodeRecoveryRecord("QuorvikDrawRecovery 1\nname=a\ntime=soon\n"));
    // A later version's extra field is passed over.
    EXPECT_TRUE(decodeRecoveryRecord("QuorvikDrawRecovery 1\nname=a\ntime=1\nzoom=2\n"));
}

TEST(RecoveryCopyName, CarriesItsOwnerAndRefusesOtherNames) {
    const ProcessIdentity self = ProcessIdentity::current();
    EXPECT_EQ(ownerOfRecoveryCopy(recoveryCopyName(self, 3)), self);
    EXPECT_EQ(ownerOfRecoveryCopy(recoveryCopyName(endedProcess(), 12)), endedProcess());
    ProcessIdentity bootless = endedProcess();
    bootless.bootId.clear();
    EXPECT_EQ(ownerOfRecoveryCopy(recoveryCopyName(bootless, 1)), bootless);
    for (const char* foreign : {"notes", "0-1-2", "0-1-2-3-4", "0-0-2-3", "0-x-2-3",
                                "ABCDEFABCDEFABCDEFABCDEFABCDEFAB-1-2-3", "abc-1-2-3"})
        EXPECT_FALSE(ownerOfRecoveryCopy(foreign)) << foreign;
}

TEST(ProcessIdentity, TellsARunningProcessFromAnEndedOneWithItsNumber) {
    const ProcessIdentity self = ProcessIdentity::current();
    EXPECT_TRUE(processIsRunning(self));
    ASSERT_NE(self.startTime, 0u) << "the start time comes from /proc";
    ProcessIdentity reused = self;
    reused.startTime += 1;
    EXPECT_FALSE(processIsRunning(reused)) << "same number, another start";
    ProcessIdentity otherBoot = self;
    otherBoot.bootId = std::string(32, 'e');
    EXPECT_FALSE(processIsRunning(otherBoot));

    // A child that has ended is not running, reaped or not.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        ::_exit(0);
    ProcessIdentity ended = self;
    ended.pid = child;
    ended.startTime = 0;
    for (int i = 0; i < 200 && processIsRunning(ended); ++i)
        ::usleep(5000);
    EXPECT_FALSE(processIsRunning(ended)) << "a zombie has ended";
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_FALSE(processIsRunning(ended));
}

TEST(RecoverySettings, FolderFollowsXdgStateHomeAndDelayReadsSeconds) {
    EXPECT_EQ(recoveryFolderPath("/s/state/", "/home/ann"), "/s/state/Quorvik/drawapp/recovery");
    EXPECT_EQ(recoveryFolderPath("relative", "/home/ann"),
              "/home/ann/.local/state/Quorvik/drawapp/recovery");
    EXPECT_EQ(recoveryFolderPath(nullptr, "/home/ann"),
              "/home/ann/.local/state/Quorvik/drawapp/recovery");

    EXPECT_EQ(recoveryDelayMilliseconds(nullptr, std::nullopt), 20000);
    EXPECT_EQ(recoveryDelayMilliseconds(nullptr, 5.0), 5000);
    EXPECT_EQ(recoveryDelayMilliseconds("1.5", 5.0), 1500);
    EXPECT_EQ(recoveryDelayMilliseconds("soon", 5.0), 5000);
    EXPECT_EQ(recoveryDelayMilliseconds("-3", std::nullopt), 20000);
    EXPECT_EQ(recoveryDelayMilliseconds("", 0.0), 20000);
    EXPECT_EQ(recoveryDelayMilliseconds("0.001", std::nullopt), 50);
    EXPECT_EQ(recoveryDelayMilliseconds("1e9", std::nullopt), 3600 * 1000);
}

TEST_F(RecoveryStoreTest, TakesOverEndedProcessesCopiesAndSetsAsideWhatItCannotRead) {
    RecoveryStore writer(folder(), endedProcess());
    const PackageFiles drawing{{"Shapes.xml", drawingXml(3)}};
    const std::string good = leaveCopy(
        writer, endedProcess(), 1, {"/d/Plan.qvdraw", "Plan.qvdraw", 200, endedProcess()}, drawing);
    const std::string older =
        leaveCopy(writer, endedProcess(), 2, {"", "Untitled", 100, endedProcess()}, drawing);
    const ByteBuffer xml = drawingXml(3);
    const std::string truncated = leaveCopy(
        writer, endedProcess(), 3, {"", "Cut.qvdraw", 300, endedProcess()},
        {{"Shapes.xml", ByteBuffer(xml.begin(), xml.begin() + std::ptrdiff_t(xml.size() / 2))}});
    const std::string damaged =
        leaveCopy(writer, endedProcess(), 4, {"", "Bad", 300, endedProcess()}, drawing);
    std::ofstream(fs::path(writer.copyPath(damaged)) / "record") << "garbage";
    // Taken by a process that ended before it wrote the package: no work in it.
    const std::string empty = recoveryCopyName(endedProcess(), 5);
    fs::create_directories(writer.copyPath(empty));
    std::ofstream(fs::path(writer.copyPath(empty)) / "record")
        << encodeRecoveryRecord({"", "E", 1, endedProcess()});
    // A running process's copy, and a folder that is no copy at all.
    ProcessIdentity parent = ProcessIdentity::current();
    parent.pid = ::getppid();
    parent.startTime = 0;
    const std::string running = leaveCopy(writer, parent, 1, {"", "Live", 1, parent}, drawing);
    fs::create_directories(fs::path(folder()) / "notes");

    RecoveryStore self(folder(), ProcessIdentity::current());
    TakeOverResult taken = takeOverAbandonedCopies(self);
    ASSERT_EQ(taken.copies.size(), 2u);
    EXPECT_EQ(taken.copies[0].record.displayName, "Untitled") << "oldest first";
    EXPECT_EQ(taken.copies[1].record.originalPath, "/d/Plan.qvdraw");
    for (const TakenCopy& copy : taken.copies) {
        EXPECT_EQ(ownerOfRecoveryCopy(copy.name), self.self()) << "renamed to be ours";
        EXPECT_TRUE(fs::exists(self.packagePath(copy.name)));
        ASSERT_TRUE(copy.document->loadedShapes());
        EXPECT_EQ(copy.document->loadedShapes()->size(), 3u);
    }
    EXPECT_FALSE(fs::exists(self.copyPath(good)));
    EXPECT_FALSE(fs::exists(self.copyPath(older)));
    EXPECT_FALSE(fs::exists(self.copyPath(empty)));
    EXPECT_TRUE(fs::exists(self.copyPath(running)));
    EXPECT_TRUE(fs::exists(fs::path(folder()) / "notes"));

    ASSERT_EQ(taken.unreadable.size(), 2u);
    for (const UnreadableCopy& copy : taken.unreadable) {
        EXPECT_TRUE(copy.movedAside);
        EXPECT_EQ(fs::path(copy.path).parent_path(), fs::path(self.setAsideFolder()));
        EXPECT_TRUE(fs::exists(fs::path(copy.path) / "Drawing.qvdraw" / "Shapes.xml"));
        EXPECT_FALSE(copy.reason.empty());
    }
    EXPECT_EQ(taken.unreadable[0].displayName, "Cut.qvdraw");
    EXPECT_NE(taken.unreadable[1].reason.find("record"), std::string::npos);
    EXPECT_TRUE(taken.problems.empty());

    // Taken once: a second look finds nothing more to take.
    EXPECT_TRUE(takeOverAbandonedCopies(self).copies.empty());
}

// Holds the writer's first job at its first file operation until released.
class GateOps : public FileOperations {
public:
    int mkdirat(int d, const char* p, mode_t m) override {
        std::unique_lock lock(mutex);
        entered = true;
        changed.notify_all();
        changed.wait(lock, [this] { return open; });
        return FileOperations::mkdirat(d, p, m);
    }
    void waitUntilEntered() {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return entered; });
    }
    void release() {
        std::lock_guard lock(mutex);
        open = true;
        changed.notify_all();
    }

private:
    std::mutex mutex;
    std::condition_variable changed;
    bool entered = false;
    bool open = false;
};

TEST_F(RecoveryStoreTest, WriterKeepsOrderReplacesWaitingWritesAndDropsThemOnRemoval) {
    RecoveryStore store(folder(), ProcessIdentity::current());
    GateOps gate;
    std::mutex mutex;
    std::vector<std::pair<std::string, std::uint64_t>> done;
    {
        RecoveryWriter writer(
            store,
            [&](const RecoveryWriter::Outcome& outcome) {
                EXPECT_TRUE(outcome.result) << outcome.result.error;
                std::lock_guard lock(mutex);
                done.emplace_back(outcome.name, outcome.ticket);
            },
            gate);
        const RecoveryRecord record{"", "A", 1, store.self()};
        writer.write("a", record, {{"Shapes.xml", bytes("1")}}, 1);
        gate.waitUntilEntered();
        writer.write("a", record, {{"Shapes.xml", bytes("2")}}, 2);
        writer.write("a", record, {{"Shapes.xml", bytes("3")}}, 3);
        writer.write("b", record, {{"Shapes.xml", bytes("4")}}, 4);
        writer.remove("b");
        gate.release();
        writer.waitUntilIdle();
        EXPECT_EQ(fileText(fs::path(store.packagePath("a")) / "Shapes.xml"), "3");
        EXPECT_FALSE(fs::exists(store.copyPath("b")));
        writer.write("c", record, {{"Shapes.xml", bytes("5")}}, 5);
    }
    // The writer finished its work before it went.
    EXPECT_TRUE(fs::exists(store.packagePath("c")));
    const std::vector<std::pair<std::string, std::uint64_t>> expected{
        {"a", 1}, {"a", 3}, {"b", 0}, {"c", 5}};
    EXPECT_EQ(done, expected);
}

} // namespace
} // namespace qv
