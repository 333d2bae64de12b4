#include "document/PackageIO.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qv {
namespace {

namespace fs = std::filesystem;

// Counts the file operations of a save and makes the one numbered failAt fail
// (with `error`), or ends the process there without any cleanup (crashAt).
class InjectingOps : public FileOperations {
public:
    int failAt = -1;
    int crashAt = -1;
    int error = EIO;
    int steps = 0;
    // Only writes: fewer bytes than asked for, to exercise short writes.
    bool shortWrites = false;

    int openat(int dirfd, const char* path, int flags, mode_t mode) override {
        return step() ? FileOperations::openat(dirfd, path, flags, mode) : -1;
    }
    ssize_t write(int fd, const void* data, std::size_t size) override {
        if (!step())
            return -1;
        return FileOperations::write(fd, data, shortWrites && size > 1 ? size / 2 : size);
    }
    int fsync(int fd) override { return step() ? FileOperations::fsync(fd) : -1; }
    int close(int fd) override {
        if (!step()) {
            FileOperations::close(fd); // the descriptor is gone either way
            errno = error;
            return -1;
        }
        return FileOperations::close(fd);
    }
    int mkdirat(int dirfd, const char* path, mode_t mode) override {
        return step() ? FileOperations::mkdirat(dirfd, path, mode) : -1;
    }
    int renameat2(int a, const char* b, int c, const char* d, unsigned flags) override {
        return step() ? FileOperations::renameat2(a, b, c, d, flags) : -1;
    }
    int unlinkat(int dirfd, const char* path, int flags) override {
        return step() ? FileOperations::unlinkat(dirfd, path, flags) : -1;
    }

private:
    bool step() {
        const int n = steps++;
        if (n == crashAt)
            ::_exit(0);
        if (n == failAt) {
            errno = error;
            return false;
        }
        return true;
    }
};

ByteBuffer bytes(std::string_view s) {
    return ByteBuffer(s.begin(), s.end());
}

class PackageIOTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string templ = (fs::temp_directory_path() / "qvpkgXXXXXX").string();
        ASSERT_TRUE(::mkdtemp(templ.data()));
        m_Dir = templ;
        m_Package = m_Dir / "Drawing.qvdraw";
        m_Old = {{"Shapes.xml", bytes("<old/>")}, {"photo.jpg", bytes(std::string(5000, 'p'))}};
        m_New = {{"Shapes.xml", bytes(std::string(200000, 'n'))},
                 {"other.png", bytes("png")},
                 {"empty", {}}};
    }
    void TearDown() override { fs::remove_all(m_Dir); }

    PackageFiles read() {
        PackageReadResult r = PackageIO::readPackage(m_Package.string());
        EXPECT_TRUE(r.ok) << r.error;
        return r.files;
    }
    // Everything in the folder besides the package: a save may leave nothing.
    std::vector<std::string> leftovers() {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_Dir))
            if (entry.path().filename() != m_Package.filename())
                names.push_back(entry.path().filename().string());
        return names;
    }

    fs::path m_Dir;
    fs::path m_Package;
    PackageFiles m_Old;
    PackageFiles m_New;
};

// Each step of a save fails in turn (with and without a package to replace,
// with two errors) or ends the process there: the old package or the
// complete new one remains, never anything between.
TEST_F(PackageIOTest, AFailureOrACrashAtAnyStepKeepsAWholePackage) {
    ASSERT_TRUE(PackageIO::writePackage(m_Package.string(), m_Old));
    InjectingOps counter;
    ASSERT_TRUE(PackageIO::writePackage(m_Package.string(), m_New, counter));
    const int steps = counter.steps; // replacing takes more steps than a first save
    ASSERT_GT(steps, 10);
    for (int n = 0; n <= steps; ++n) {
        SCOPED_TRACE("step " + std::to_string(n));
        for (int error : {0, EIO, ENOSPC}) {
            if (error == 0)
                fs::remove_all(m_Package);
            else
                ASSERT_TRUE(PackageIO::writePackage(m_Package.string(), m_Old));
            InjectingOps ops;
            ops.failAt = n;
            ops.error = error ? error : EIO;
            PackageResult r = PackageIO::writePackage(m_Package.string(), m_New, ops);
            if (r.ok) {
                // Only the clean-up after the swap may fail without failing the save.
                EXPECT_EQ(read(), m_New);
            } else if (error == 0) {
                EXPECT_FALSE(fs::exists(m_Package));
            } else {
                EXPECT_NE(r.error.find("Drawing.qvdraw"), std::string::npos) << r.error;
                EXPECT_EQ(read(), m_Old);
                EXPECT_TRUE(leftovers().empty()) << leftovers().front();
            }
            for (const std::string& name : leftovers())
                fs::remove_all(m_Dir / name);
        }

        ASSERT_TRUE(PackageIO::writePackage(m_Package.string(), m_Old));
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            InjectingOps ops;
            ops.crashAt = n;
            PackageIO::writePackage(m_Package.string(), m_New, ops);
            ::_exit(3); // finished without reaching the crash
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), n == steps ? 3 : 0);
        const PackageFiles now = read();
        EXPECT_TRUE(now == m_Old || now == m_New);
        for (const std::string& name : leftovers()) {
            EXPECT_EQ(name.rfind(PackageIO::temporaryNamePrefix("Drawing.qvdraw"), 0), 0u) << name;
            fs::remove_all(m_Dir / name);
        }
    }
}

TEST_F(PackageIOTest, RefusesFileNamesThatLeaveThePackage) {
    ASSERT_TRUE(PackageIO::writePackage(m_Package.string(), m_Old));
    for (const char* bad : {"../escape", "a/b", ".", "..", ""}) {
        PackageFiles files = m_New;
        files[bad] = bytes("x");
        PackageResult r = PackageIO::writePackage(m_Package.string(), files);
        EXPECT_FALSE(r) << bad;
        EXPECT_NE(r.error.find("not a valid file name"), std::string::npos) << r.error;
    }
    EXPECT_EQ(read(), m_Old);
    EXPECT_FALSE(fs::exists(m_Dir / "escape"));
    EXPECT_TRUE(leftovers().empty());
}

TEST_F(PackageIOTest, SavingThroughALinkReplacesThePackageItPointsTo) {
    const fs::path real = m_Dir / "Real.qvdraw";
    ASSERT_TRUE(PackageIO::writePackage(real.string(), m_Old));
    fs::create_directory_symlink(real, m_Package);
    ASSERT_TRUE(PackageIO::writePackage(m_Package.string(), m_New));
    EXPECT_TRUE(fs::is_symlink(m_Package));
    EXPECT_EQ(read(), m_New);
}

TEST_F(PackageIOTest, ReadingTakesRegularFilesOnlyAndFollowsNoLinks) {
    ASSERT_TRUE(PackageIO::writePackage(m_Package.string(), m_Old));
    const fs::path secret = m_Dir / "secret.txt";
    std::ofstream(secret) << "private";
    fs::create_symlink(secret, m_Package / "link.jpg");
    fs::create_symlink("/etc/passwd", m_Package / "passwd.png");
    fs::create_directory(m_Package / "folder");
    std::ofstream(m_Package / "folder" / "inner.png") << "inner";
    ASSERT_EQ(::mkfifo((m_Package / "pipe.png").c_str(), 0600), 0);

    PackageReadResult r = PackageIO::readPackage(m_Package.string());
    ASSERT_TRUE(r) << r.error;
    EXPECT_EQ(r.files, m_Old);
    // The links and the pipe are reported; the folder is skipped silently.
    EXPECT_EQ(r.warnings.size(), 3u);

    r = PackageIO::readPackage((m_Dir / "missing.qvdraw").string());
    EXPECT_FALSE(r);
    EXPECT_NE(r.error.find("missing.qvdraw"), std::string::npos);
    EXPECT_FALSE(PackageIO::readPackage(secret.string())); // a file, not a folder
}

} // namespace
} // namespace qv
