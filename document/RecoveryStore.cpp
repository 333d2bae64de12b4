#include "document/RecoveryStore.h"

#include "document/DrawDocument.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <sstream>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace qv {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kRecordHeader = "QuorvikDrawRecovery 1";
constexpr std::size_t kMaximumRecordSize = 64 * 1024;

std::string inQuotes(std::string_view text) {
    return "\u201C" + std::string(text) + "\u201D";
}

// Thread-safe, unlike std::strerror: copies are written on a thread of their own.
std::string errorText(int error) {
    return std::generic_category().message(error);
}

std::string readSmallFile(const std::string& path, std::size_t limit, int& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = errno ? errno : ENOENT;
        return {};
    }
    std::string text(limit + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    error = text.size() > limit ? EFBIG : 0;
    return text;
}

template <class T> bool parseNumber(std::string_view text, T& out) {
    if (text.empty())
        return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size();
}

bool isLowerHex(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

// The fields after the command name of /proc/PID/stat: the name is in
// parentheses and may itself hold spaces and parentheses.
std::vector<std::string> statFields(long pid) {
    int error = 0;
    const std::string text = readSmallFile("/proc/" + std::to_string(pid) + "/stat", 4096, error);
    std::vector<std::string> fields;
    const std::size_t close = text.rfind(')');
    if (error || close == std::string::npos)
        return fields;
    std::istringstream in(text.substr(close + 1));
    for (std::string field; in >> field;)
        fields.push_back(field);
    return fields;
}

const std::string& currentBootId() {
    static const std::string id = [] {
        int error = 0;
        std::string text = readSmallFile("/proc/sys/kernel/random/boot_id", 256, error);
        std::string hex;
        for (char c : text)
            if (c != '-' && c != '\n')
                hex.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
        return error == 0 && hex.size() == 32 && isLowerHex(hex) ? hex : std::string();
    }();
    return id;
}

std::string percentEscaped(std::string_view value) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '%' || byte < 0x20 || byte == 0x7f) {
            out.push_back('%');
            out.push_back(digits[byte >> 4]);
            out.push_back(digits[byte & 15]);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::optional<std::string> percentUnescaped(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '%') {
            out.push_back(value[i]);
            continue;
        }
        unsigned byte = 0;
        if (i + 2 >= value.size())
            return std::nullopt;
        const auto [end, ec] =
            std::from_chars(value.data() + i + 1, value.data() + i + 3, byte, 16);
        if (ec != std::errc() || end != value.data() + i + 3)
            return std::nullopt;
        out.push_back(static_cast<char>(byte));
        i += 2;
    }
    return out;
}

// Writes `text` as the file `name` in `dir` so that a reader finds the old
// file or the whole new one.
bool replaceFile(FileOperations& ops, const std::string& dir, const char* name,
                 const std::string& text, std::string& error) {
    const int dirFd = ops.openat(AT_FDCWD, dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (dirFd < 0) {
        error = errorText(errno);
        return false;
    }
    const std::string temporary = std::string(name) + ".new";
    bool ok = false;
    const int fd = ops.openat(dirFd, temporary.c_str(),
                              O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) {
        std::size_t done = 0;
        ok = true;
        while (ok && done < text.size()) {
            const ssize_t n = ops.write(fd, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                error = errorText(n < 0 ? errno : ENOSPC);
                ok = false;
            } else {
                done += static_cast<std::size_t>(n);
            }
        }
        if (ok && ops.fsync(fd) != 0) {
            error = errorText(errno);
            ok = false;
        }
        if (ops.close(fd) != 0 && ok) {
            error = errorText(errno);
            ok = false;
        }
        if (ok && ops.renameat2(dirFd, temporary.c_str(), dirFd, name, 0) != 0) {
            error = errorText(errno);
            ok = false;
        }
        if (ok)
            ops.fsync(dirFd);
        else
            ops.unlinkat(dirFd, temporary.c_str(), 0);
    } else {
        error = errorText(errno);
    }
    ops.close(dirFd);
    return ok;
}

PackageResult failed(std::string message) {
    PackageResult result;
    result.error = std::move(message);
    return result;
}

PackageResult succeeded() {
    PackageResult result;
    result.ok = true;
    return result;
}

} // namespace

// ---------------------------------------------------------------------------
// Processes

ProcessIdentity ProcessIdentity::current() {
    ProcessIdentity self;
    self.bootId = currentBootId();
    self.pid = static_cast<long>(::getpid());
    const std::vector<std::string> fields = statFields(self.pid);
    // starttime is field 22 of the whole line, the 20th after the name.
    if (fields.size() >= 20)
        parseNumber(fields[19], self.startTime);
    return self;
}

bool processIsRunning(const ProcessIdentity& process) {
    if (process.pid <= 0 || process.bootId != currentBootId())
        return false;
    if (::kill(static_cast<pid_t>(process.pid), 0) != 0 && errno == ESRCH)
        return false;
    const std::vector<std::string> fields = statFields(process.pid);
    // Without /proc the process id is all there is to go by.
    if (fields.empty())
        return true;
    if (fields[0] == "Z" || fields[0] == "X")
        return false;
    std::uint64_t start = 0;
    return process.startTime == 0 ||
           (fields.size() >= 20 && parseNumber(fields[19], start) && start == process.startTime);
}

std::string recoveryCopyName(const ProcessIdentity& owner, unsigned number) {
    return (owner.bootId.empty() ? std::string("0") : owner.bootId) + "-" +
           std::to_string(owner.pid) + "-" + std::to_string(owner.startTime) + "-" +
           std::to_string(number);
}

std::optional<ProcessIdentity> ownerOfRecoveryCopy(std::string_view name) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t dash = name.find('-', start);
        parts.push_back(name.substr(start, dash - start));
        if (dash == std::string_view::npos)
            break;
        start = dash + 1;
    }
    ProcessIdentity owner;
    unsigned number = 0;
    if (parts.size() != 4 || !parseNumber(parts[1], owner.pid) || owner.pid <= 0 ||
        !parseNumber(parts[2], owner.startTime) || !parseNumber(parts[3], number))
        return std::nullopt;
    if (parts[0] != "0") {
        if (parts[0].size() != 32 || !isLowerHex(parts[0]))
            return std::nullopt;
        owner.bootId = std::string(parts[0]);
    }
    return owner;
}

// ---------------------------------------------------------------------------
// Records and settings

std::string encodeRecoveryRecord(const RecoveryRecord& record) {
    std::string text(kRecordHeader);
    text += "\nname=" + percentEscaped(record.displayName);
    if (!record.originalPath.empty())
        text += "\noriginal=" + percentEscaped(record.originalPath);
    text += "\ntime=" + std::to_string(record.copyTime);
    text += "\npid=" + std::to_string(record.writer.pid);
    text += "\nstart=" + std::to_string(record.writer.startTime);
    text += "\nboot=" + record.writer.bootId + "\n";
    return text;
}

std::optional<RecoveryRecord> decodeRecoveryRecord(std::string_view text) {
    RecoveryRecord record;
    bool header = false, name = false, time = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!header) {
            if (line != kRecordHeader)
                return std::nullopt;
            header = true;
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            return std::nullopt;
        const std::string_view key = line.substr(0, equals);
        const std::optional<std::string> value = percentUnescaped(line.substr(equals + 1));
        if (!value)
            return std::nullopt;
        if (key == "name") {
            record.displayName = *value;
            name = true;
        } else if (key == "original") {
            record.originalPath = *value;
        } else if (key == "time") {
            if (!parseNumber(*value, record.copyTime))
                return std::nullopt;
            time = true;
        } else if (key == "pid") {
            if (!parseNumber(*value, record.writer.pid))
                return std::nullopt;
        } else if (key == "start") {
            if (!parseNumber(*value, record.writer.startTime))
                return std::nullopt;
        } else if (key == "boot") {
            record.writer.bootId = *value;
        }
        // Other keys belong to later versions and are passed over.
    }
    if (!header || !name || !time)
        return std::nullopt;
    return record;
}

std::string recoveryFolderPath(const char* xdgStateHome, const char* home) {
    // XDG has a relative XDG_STATE_HOME ignored.
    std::string base;
    if (xdgStateHome && xdgStateHome[0] == '/')
        base = xdgStateHome;
    else
        base = std::string(home && home[0] ? home : "/tmp") + "/.local/state";
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return base + "/Quorvik/drawapp/recovery";
}

int recoveryDelayMilliseconds(const char* environmentValue, std::optional<double> settingSeconds) {
    auto usable = [](double seconds) { return std::isfinite(seconds) && seconds > 0; };
    double seconds = kDefaultRecoveryDelaySeconds;
    if (settingSeconds && usable(*settingSeconds))
        seconds = *settingSeconds;
    if (environmentValue && environmentValue[0]) {
        char* end = nullptr;
        const double value = std::strtod(environmentValue, &end);
        if (end && *end == '\0' && usable(value))
            seconds = value;
    }
    seconds = std::clamp(seconds, 0.05, 3600.0);
    return static_cast<int>(std::lround(seconds * 1000));
}

// ---------------------------------------------------------------------------
// The store

RecoveryStore::RecoveryStore(std::string folder, ProcessIdentity self)
    : m_Folder(std::move(folder)), m_Self(std::move(self)) {
    while (m_Folder.size() > 1 && m_Folder.back() == '/')
        m_Folder.pop_back();
}

std::string RecoveryStore::copyPath(std::string_view name) const {
    return m_Folder + "/" + std::string(name);
}

std::string RecoveryStore::packagePath(std::string_view name) const {
    return copyPath(name) + "/" + kPackageName;
}

std::string RecoveryStore::newCopyName() {
    return recoveryCopyName(m_Self, m_NextNumber++);
}

PackageResult RecoveryStore::prepare() const {
    std::error_code ec;
    fs::create_directories(m_Folder, ec);
    if (ec)
        return failed("The folder " + inQuotes(m_Folder) + " could not be made (" + ec.message() +
                      ").");
    if (!fs::is_directory(m_Folder, ec))
        return failed(inQuotes(m_Folder) + " is not a folder.");
    if (::access(m_Folder.c_str(), W_OK | X_OK) != 0)
        return failed("The folder " + inQuotes(m_Folder) + " cannot be written (" +
                      errorText(errno) + ").");
    // Drawings are private: the folder is the user's alone.
    ::chmod(m_Folder.c_str(), 0700);
    return succeeded();
}

PackageResult RecoveryStore::writeCopy(const std::string& name, const RecoveryRecord& record,
                                       const PackageFiles& files, FileOperations& ops) const {
    PackageResult ready = prepare();
    if (!ready)
        return ready;
    const std::string path = copyPath(name);
    const std::string failure =
        "The recovery copy in " + inQuotes(path) + " could not be written: ";
    bool fresh = false;
    if (ops.mkdirat(AT_FDCWD, path.c_str(), 0700) == 0)
        fresh = true;
    else if (errno != EEXIST)
        return failed(failure + errorText(errno) + ".");
    std::error_code ec;
    std::string error;
    // Until the package is there the record only marks the copy as taken.
    if ((fresh || !fs::exists(path + "/" + kRecordFileName, ec)) &&
        !replaceFile(ops, path, kRecordFileName, encodeRecoveryRecord(record), error))
        return failed(failure + "the record could not be written (" + error + ").");
    PackageResult written = PackageIO::writePackage(packagePath(name), files, ops);
    if (!written)
        return failed(failure + written.error);
    if (!replaceFile(ops, path, kRecordFileName, encodeRecoveryRecord(record), error))
        return failed(failure + "the record could not be written (" + error + ").");
    return written;
}

PackageResult RecoveryStore::removeCopy(const std::string& name) const {
    std::error_code ec;
    fs::remove_all(copyPath(name), ec);
    if (ec)
        return failed("The recovery copy " + inQuotes(copyPath(name)) + " could not be removed (" +
                      ec.message() + ").");
    return succeeded();
}

std::vector<RecoveryStore::Copy> RecoveryStore::copies() const {
    std::vector<Copy> found;
    std::error_code ec;
    for (fs::directory_iterator it(m_Folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_directory(ec) || it->is_symlink(ec))
            continue;
        const std::string name = it->path().filename().string();
        if (std::optional<ProcessIdentity> owner = ownerOfRecoveryCopy(name))
            found.push_back({name, *owner});
    }
    std::sort(found.begin(), found.end(),
              [](const Copy& a, const Copy& b) { return a.name < b.name; });
    return found;
}

std::optional<RecoveryRecord> RecoveryStore::readRecord(const std::string& name,
                                                        std::string& error) const {
    int code = 0;
    const std::string text =
        readSmallFile(copyPath(name) + "/" + kRecordFileName, kMaximumRecordSize, code);
    if (code) {
        error = errorText(code);
        return std::nullopt;
    }
    std::optional<RecoveryRecord> record = decodeRecoveryRecord(text);
    if (!record)
        error = "it is damaged";
    return record;
}

// ---------------------------------------------------------------------------
// Taking over

TakeOverResult takeOverAbandonedCopies(RecoveryStore& store) {
    TakeOverResult result;
    auto setAside = [&](const std::string& name, std::string displayName, std::string reason) {
        UnreadableCopy copy{name, std::move(displayName), std::move(reason), store.copyPath(name),
                            false};
        std::error_code ec;
        const std::string target = store.setAsideFolder() + "/" + name;
        fs::create_directories(store.setAsideFolder(), ec);
        if (!ec && ::rename(store.copyPath(name).c_str(), target.c_str()) == 0) {
            copy.path = target;
            copy.movedAside = true;
        } else {
            copy.reason += " It could not be moved aside (" +
                           std::string(ec ? ec.message() : errorText(errno)) + ").";
        }
        result.unreadable.push_back(std::move(copy));
    };

    for (const RecoveryStore::Copy& found : store.copies()) {
        if (found.owner == store.self() || processIsRunning(found.owner))
            continue;
        // The rename is the claim: of two starts taking the same copy, one wins.
        const std::string name = store.newCopyName();
        if (::rename(store.copyPath(found.name).c_str(), store.copyPath(name).c_str()) != 0) {
            if (errno != ENOENT)
                result.problems.push_back(
                    "The recovery copy " + inQuotes(store.copyPath(found.name)) +
                    " could not be taken over (" + errorText(errno) + "); it stays where it is.");
            continue;
        }
        std::error_code ec;
        if (!fs::exists(store.packagePath(name), ec) && !ec) {
            store.removeCopy(name);
            continue;
        }
        std::string error;
        std::optional<RecoveryRecord> record = store.readRecord(name, error);
        if (!record) {
            setAside(name, name, "Its record could not be read (" + error + ").");
            continue;
        }
        auto document = std::make_unique<DrawDocument>();
        const DocumentResult read = document->readFromPackage(store.packagePath(name));
        if (!read) {
            setAside(name, record->displayName,
                     read.error.empty() ? std::string("Its drawing could not be read.")
                                        : read.error);
            continue;
        }
        result.copies.push_back({name, std::move(*record), std::move(document)});
    }
    std::stable_sort(result.copies.begin(), result.copies.end(),
                     [](const TakenCopy& a, const TakenCopy& b) {
                         return a.record.copyTime < b.record.copyTime;
                     });
    return result;
}

} // namespace qv
