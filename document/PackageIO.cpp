#include "document/PackageIO.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <system_error>
#include <unistd.h>

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif
#ifndef RENAME_EXCHANGE
#define RENAME_EXCHANGE (1 << 1)
#endif

namespace qv {

// ---------------------------------------------------------------------------
// The real file operations

int FileOperations::openat(int dirfd, const char* path, int flags, mode_t mode) {
    int fd;
    do
        fd = ::openat(dirfd, path, flags, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

ssize_t FileOperations::write(int fd, const void* data, std::size_t size) {
    return ::write(fd, data, size);
}

int FileOperations::fsync(int fd) {
    return ::fsync(fd);
}

int FileOperations::close(int fd) {
    return ::close(fd);
}

int FileOperations::mkdirat(int dirfd, const char* path, mode_t mode) {
    return ::mkdirat(dirfd, path, mode);
}

int FileOperations::renameat2(int olddirfd, const char* oldpath, int newdirfd, const char* newpath,
                              unsigned flags) {
    // Called directly: older C libraries lack the wrapper.
    return static_cast<int>(::syscall(SYS_renameat2, olddirfd, oldpath, newdirfd, newpath, flags));
}

int FileOperations::unlinkat(int dirfd, const char* path, int flags) {
    return ::unlinkat(dirfd, path, flags);
}

FileOperations& FileOperations::system() {
    static FileOperations ops;
    return ops;
}

namespace {

// Saves run on the main thread and recovery copies on a thread of their own:
// std::strerror may share one buffer between them, the category may not.
std::string errorText(int error) {
    return std::generic_category().message(error);
}

std::string quoted(const std::string& name) {
    return "\u201C" + name + "\u201D";
}

bool isPlainFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos && name.size() <= NAME_MAX;
}

// ---------------------------------------------------------------------------
// Reading

std::vector<std::string> directoryEntries(DIR* dir) {
    std::vector<std::string> names;
    while (dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The whole file behind fd, which fstat found to be a regular file of `size`
// bytes; a file that grows meanwhile is read up to the limit only.
bool readAll(int fd, std::uint64_t size, ByteBuffer& out, int& error) {
    out.clear();
    out.reserve(static_cast<std::size_t>(size));
    std::uint8_t chunk[64 * 1024];
    while (true) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return false;
        }
        if (n == 0)
            return true;
        if (out.size() + static_cast<std::size_t>(n) > PackageIO::kMaximumFileSize) {
            error = EFBIG;
            return false;
        }
        out.insert(out.end(), chunk, chunk + n);
    }
}

// ---------------------------------------------------------------------------
// Writing

struct FdGuard {
    FileOperations& ops;
    int fd = -1;
    ~FdGuard() {
        if (fd >= 0)
            ops.close(fd);
    }
    int release() {
        const int f = fd;
        fd = -1;
        return f;
    }
};

bool writeFully(FileOperations& ops, int fd, const ByteBuffer& data, int& error) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ops.write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return false;
        }
        if (n == 0) {
            // A write that makes no progress would loop for ever.
            error = ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Removes `name` inside dirfd and, for a directory, everything in it, never
// following a link. False when something could not be removed.
bool removeTree(FileOperations& ops, int dirfd, const std::string& name, int depth = 0) {
    struct stat st;
    if (::fstatat(dirfd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT;
    if (!S_ISDIR(st.st_mode))
        return ops.unlinkat(dirfd, name.c_str(), 0) == 0;
    if (depth > 64)
        return false;
    const int fd =
        ops.openat(dirfd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC, 0);
    if (fd < 0)
        return false;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ops.close(fd);
        return false;
    }
    bool ok = true;
    for (const std::string& entry : directoryEntries(dir))
        ok = removeTree(ops, ::dirfd(dir), entry, depth + 1) && ok;
    ::closedir(dir);
    return ops.unlinkat(dirfd, name.c_str(), AT_REMOVEDIR) == 0 && ok;
}

std::string randomSuffix() {
    // One generator per thread: a save and a recovery copy may run at once.
    thread_local std::mt19937_64 generator{std::random_device{}() ^
                                           static_cast<std::uint64_t>(::getpid()) << 32};
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(generator()));
    return buf;
}

} // namespace

// ---------------------------------------------------------------------------

PackageReadResult PackageIO::readPackage(const std::string& path) {
    PackageReadResult result;
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        result.error = "The document " + quoted(path) + " could not be opened: " + errorText(errno);
        return result;
    }
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        result.error = "The document " + quoted(path) + " could not be opened: " + errorText(errno);
        ::close(fd);
        return result;
    }
    const int dfd = ::dirfd(dir);
    const std::vector<std::string> names = directoryEntries(dir);
    std::uint64_t total = 0;
    std::size_t count = 0;
    for (const std::string& name : names) {
        struct stat st;
        if (::fstatat(dfd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            result.warnings.push_back("Skipped " + quoted(name) + ": " + errorText(errno));
            continue;
        }
        if (S_ISDIR(st.st_mode))
            continue; // a package holds no folders; whatever is in one is not ours
        if (S_ISLNK(st.st_mode)) {
            result.warnings.push_back("Skipped " + quoted(name) + ": a symbolic link");
            continue;
        }
        if (!S_ISREG(st.st_mode)) {
            result.warnings.push_back("Skipped " + quoted(name) + ": not a regular file");
            continue;
        }
        const auto size = static_cast<std::uint64_t>(st.st_size);
        if (size > kMaximumFileSize || total + size > kMaximumPackageSize ||
            count >= kMaximumFileCount) {
            result.warnings.push_back("Skipped " + quoted(name) + ": too large");
            continue;
        }
        // O_NOFOLLOW closes the gap between the check above and the open: a
        // link put in place meanwhile makes the open fail instead of being
        // followed. O_NONBLOCK keeps a FIFO swapped in from blocking the open.
        const int file =
            ::openat(dfd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (file < 0) {
            result.warnings.push_back("Skipped " + quoted(name) + ": " + errorText(errno));
            continue;
        }
        struct stat opened;
        ByteBuffer bytes;
        int error = 0;
        const bool regular = ::fstat(file, &opened) == 0 && S_ISREG(opened.st_mode) &&
                             static_cast<std::uint64_t>(opened.st_size) <= kMaximumFileSize;
        const bool read =
            regular && readAll(file, static_cast<std::uint64_t>(opened.st_size), bytes, error);
        ::close(file);
        if (!regular) {
            result.warnings.push_back("Skipped " + quoted(name) + ": not a regular file");
            continue;
        }
        if (!read) {
            result.warnings.push_back("Skipped " + quoted(name) + ": " + errorText(error));
            continue;
        }
        total += bytes.size();
        ++count;
        result.files.emplace(name, std::move(bytes));
    }
    ::closedir(dir);
    result.ok = true;
    return result;
}

std::string PackageIO::temporaryNamePrefix(const std::string& packageName) {
    return "." + packageName + ".saving-";
}

PackageResult PackageIO::writePackage(const std::string& requestedPath, const PackageFiles& files,
                                      FileOperations& ops) {
    PackageResult result;
    auto fail = [&](std::string message) {
        result.ok = false;
        result.error = std::move(message);
        return result;
    };

    // Saving through a link replaces the package it points to, not the link.
    std::string path = requestedPath;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    struct stat linkStat;
    if (::lstat(path.c_str(), &linkStat) == 0 && S_ISLNK(linkStat.st_mode)) {
        char* resolved = ::realpath(path.c_str(), nullptr);
        if (!resolved)
            return fail("The document " + quoted(path) +
                        " could not be saved: " + errorText(errno));
        path = resolved;
        std::free(resolved);
    }
    const std::size_t slash = path.rfind('/');
    const std::string parent =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (!isPlainFileName(name))
        return fail("The document " + quoted(requestedPath) +
                    " could not be saved: not a file name");
    for (const auto& [fileName, bytes] : files) {
        if (!isPlainFileName(fileName))
            return fail("The document " + quoted(name) + " could not be saved: " +
                        quoted(fileName) + " is not a valid file name inside a package");
    }

    const std::string failure = "The document " + quoted(name) + " could not be saved: ";
    FdGuard parentFd{ops,
                     ops.openat(AT_FDCWD, parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0)};
    if (parentFd.fd < 0)
        return fail(failure + "its folder could not be opened (" + errorText(errno) + ")");

    // A fresh directory beside the target, on the same file system.
    std::string temporary;
    for (int attempt = 0;; ++attempt) {
        temporary = temporaryNamePrefix(name) + randomSuffix();
        if (temporary.size() > NAME_MAX)
            temporary = ".qvdraw.saving-" + randomSuffix();
        if (ops.mkdirat(parentFd.fd, temporary.c_str(), 0777) == 0)
            break;
        if (errno != EEXIST || attempt >= 100)
            return fail(failure + "a temporary folder could not be made (" + errorText(errno) +
                        ")");
    }
    auto abandon = [&](std::string message) {
        removeTree(ops, parentFd.fd, temporary);
        return fail(std::move(message));
    };

    {
        FdGuard dirFd{ops, ops.openat(parentFd.fd, temporary.c_str(),
                                      O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC, 0)};
        if (dirFd.fd < 0)
            return abandon(failure + "the temporary folder could not be opened (" +
                           errorText(errno) + ")");
        for (const auto& [fileName, bytes] : files) {
            FdGuard fileFd{ops,
                           ops.openat(dirFd.fd, fileName.c_str(),
                                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666)};
            int error = 0;
            if (fileFd.fd < 0)
                return abandon(failure + quoted(fileName) + " could not be created (" +
                               errorText(errno) + ")");
            if (!writeFully(ops, fileFd.fd, bytes, error))
                return abandon(failure + quoted(fileName) + " could not be written (" +
                               errorText(error) + ")");
            if (ops.fsync(fileFd.fd) != 0)
                return abandon(failure + quoted(fileName) + " could not be written to disk (" +
                               errorText(errno) + ")");
            // Some file systems report a failed write-back only at close.
            if (ops.close(fileFd.release()) != 0)
                return abandon(failure + quoted(fileName) + " could not be written (" +
                               errorText(errno) + ")");
        }
        if (ops.fsync(dirFd.fd) != 0)
            return abandon(failure + "the new package could not be written to disk (" +
                           errorText(errno) + ")");
        if (ops.close(dirFd.release()) != 0)
            return abandon(failure + "the new package could not be written to disk (" +
                           errorText(errno) + ")");
    }

    // Swap the complete new package into place.
    struct stat targetStat;
    bool targetExists = ::fstatat(parentFd.fd, name.c_str(), &targetStat, AT_SYMLINK_NOFOLLOW) == 0;
    bool swapped = false;
    if (!targetExists) {
        if (ops.renameat2(parentFd.fd, temporary.c_str(), parentFd.fd, name.c_str(),
                          RENAME_NOREPLACE) == 0) {
            if (ops.fsync(parentFd.fd) != 0)
                result.warnings.push_back("The folder of " + quoted(name) +
                                          " could not be written to disk (" + errorText(errno) +
                                          ")");
            result.ok = true;
            return result;
        }
        if (errno == EEXIST)
            targetExists = true; // made meanwhile: exchange with it below
        else if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
            return abandon(failure + "the new package could not be moved into place (" +
                           errorText(errno) + ")");
        else if (ops.renameat2(parentFd.fd, temporary.c_str(), parentFd.fd, name.c_str(), 0) == 0) {
            ops.fsync(parentFd.fd);
            result.ok = true;
            return result;
        } else {
            return abandon(failure + "the new package could not be moved into place (" +
                           errorText(errno) + ")");
        }
    }

    if (ops.renameat2(parentFd.fd, temporary.c_str(), parentFd.fd, name.c_str(), RENAME_EXCHANGE) ==
        0) {
        swapped = true;
        if (ops.fsync(parentFd.fd) != 0) {
            // Not known to be on disk: put the old package back and give up.
            const int error = errno;
            if (ops.renameat2(parentFd.fd, temporary.c_str(), parentFd.fd, name.c_str(),
                              RENAME_EXCHANGE) == 0)
                return abandon(failure + "the folder could not be written to disk (" +
                               errorText(error) + ")");
            result.warnings.push_back("The folder of " + quoted(name) +
                                      " could not be written to disk (" + errorText(error) + ")");
        }
    } else if (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP) {
        // The file system cannot exchange: move the old package aside, the new
        // one in, and the old one back should that fail. Not atomic, but the
        // old package is never deleted before the new one is in place.
        const std::string aside = "." + name + ".old-" + randomSuffix();
        if (ops.renameat2(parentFd.fd, name.c_str(), parentFd.fd, aside.c_str(), 0) != 0)
            return abandon(failure + "the old package could not be moved aside (" +
                           errorText(errno) + ")");
        if (ops.renameat2(parentFd.fd, temporary.c_str(), parentFd.fd, name.c_str(), 0) != 0) {
            const int error = errno;
            ops.renameat2(parentFd.fd, aside.c_str(), parentFd.fd, name.c_str(), 0);
            return abandon(failure + "the new package could not be moved into place (" +
                           errorText(error) + ")");
        }
        ops.fsync(parentFd.fd);
        temporary = aside;
        swapped = true;
    } else {
        return abandon(failure + "the new package could not be moved into place (" +
                       errorText(errno) + ")");
    }

    // The temporary name now holds the old package.
    if (swapped && !removeTree(ops, parentFd.fd, temporary))
        result.warnings.push_back("The previous version could not be removed; it is kept as " +
                                  quoted(temporary));
    result.ok = true;
    return result;
}

} // namespace qv
