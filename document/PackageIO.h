#pragma once
// Reading and writing a document package: a directory of regular files.
//
// Writing never touches the previous package until the new one is complete
// and on disk: every file goes into a fresh directory beside the target, each
// file and then the directory are flushed, and only then is the new directory
// swapped into place (an atomic exchange when the target exists) and the old
// tree removed. A failed write, a crash or a full disk at any point leaves the
// target as it was, or, after the swap, the complete new package.
//
// Reading takes the regular files of the directory only. Symbolic links are
// never followed (a package holding a link to a file elsewhere must not import
// that file), subdirectories and special files are skipped, and files too
// large to be a sane part of a drawing are refused.

#include "framework/foundation/ByteBuffer.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

namespace qv {

// File name → bytes.
using PackageFiles = std::map<std::string, ByteBuffer, std::less<>>;

// The file operations a save performs, one call each, so that a test can make
// any one of them fail (or stop the process there). Each answers like the
// system call of the same name: -1 with errno set on failure.
class FileOperations {
public:
    virtual ~FileOperations() = default;
    virtual int openat(int dirfd, const char* path, int flags, mode_t mode);
    virtual ssize_t write(int fd, const void* data, std::size_t size);
    virtual int fsync(int fd);
    virtual int close(int fd);
    virtual int mkdirat(int dirfd, const char* path, mode_t mode);
    virtual int renameat2(int olddirfd, const char* oldpath, int newdirfd, const char* newpath,
                          unsigned flags);
    virtual int unlinkat(int dirfd, const char* path, int flags);

    // The real system calls.
    static FileOperations& system();
};

struct PackageResult {
    bool ok = false;
    // Why it failed, in words for the user; empty on success.
    std::string error;
    // Things that did not stop the operation (a skipped file, an old tree
    // that could not be removed after a successful save).
    std::vector<std::string> warnings;
    explicit operator bool() const { return ok; }
};

struct PackageReadResult : PackageResult {
    PackageFiles files;
};

class PackageIO {
public:
    // Larger files are not read: no part of a drawing is that big, and
    // reading one would only exhaust memory.
    static constexpr std::uint64_t kMaximumFileSize = std::uint64_t(1) << 30;
    static constexpr std::uint64_t kMaximumPackageSize = std::uint64_t(4) << 30;
    static constexpr std::size_t kMaximumFileCount = 100000;

    // The regular files directly inside `path`, by name.
    static PackageReadResult readPackage(const std::string& path);

    // Replaces (or creates) the package at `path` with exactly `files`. File
    // names must be plain names (no "/", not "." or ".."). A target that is
    // a symbolic link is resolved, so the package it points to is replaced.
    static PackageResult writePackage(const std::string& path, const PackageFiles& files,
                                      FileOperations& ops = FileOperations::system());

    // The name of the directory a save of `packageName` builds beside it
    // (plus a random suffix); left behind only by a crash.
    static std::string temporaryNamePrefix(const std::string& packageName);
};

} // namespace qv
