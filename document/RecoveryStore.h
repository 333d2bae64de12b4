#pragma once
// Recovery copies: while a drawing has unsaved changes, a complete package of
// it is kept in the user's state folder, so that a crash, a kill or a logout
// costs at most the changes since the last quiet moment.
//
//   <folder>/                                 ~/.local/state/Quorvik/drawapp/recovery
//     <boot>-<pid>-<start>-<n>/               one copy, named after its owner
//       record                                original path, name, time, writer
//       Drawing.qvdraw/                       the package, written as a save writes one
//   <folder>-unreadable/<boot>-<pid>-<start>-<n>/   copies that could not be read
//
// The name says which process keeps the copy up to date: the boot it runs
// in, its process id and its start time (so that a reused process id does
// not pass for the owner). A copy whose owner no longer runs belongs to
// nobody; a later start takes it over by renaming it to a name of its own,
// which only one process can do. The record is written before the package
// the first time, so a copy without a record never holds work.

#include "document/PackageIO.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

class DrawDocument;

// A process, told apart from any later one that gets the same id.
struct ProcessIdentity {
    // The boot id without dashes; empty where the system does not tell.
    std::string bootId;
    long pid = 0;
    // Clock ticks from boot to the process's start; 0 when unknown.
    std::uint64_t startTime = 0;

    static ProcessIdentity current();
    friend bool operator==(const ProcessIdentity&, const ProcessIdentity&) = default;
};

// True while that very process runs (a zombie has ended). Another boot's
// process has ended by definition.
bool processIsRunning(const ProcessIdentity& process);

// A copy's folder name, and the owner and number read back from one.
std::string recoveryCopyName(const ProcessIdentity& owner, unsigned number);
std::optional<ProcessIdentity> ownerOfRecoveryCopy(std::string_view name);

struct RecoveryRecord {
    // Empty for a drawing that was never saved.
    std::string originalPath;
    // The window's name: "Plan.qvdraw", "Untitled 2".
    std::string displayName;
    // When the document was serialised, in milliseconds since the epoch.
    std::int64_t copyTime = 0;
    ProcessIdentity writer;
    friend bool operator==(const RecoveryRecord&, const RecoveryRecord&) = default;
};

// A few "key=value" lines under a header line; values are %-escaped, so any
// path (a file name may hold a line break) reads back as it was.
std::string encodeRecoveryRecord(const RecoveryRecord& record);
std::optional<RecoveryRecord> decodeRecoveryRecord(std::string_view text);

// The recovery folder: $XDG_STATE_HOME (when absolute, else ~/.local/state)
// followed by Quorvik/drawapp/recovery.
std::string recoveryFolderPath(const char* xdgStateHome, const char* home);

// The quiet time after the last change before a copy is written, in
// milliseconds: the environment's seconds (decimals allowed) win over the
// setting's; unusable values fall back to the default. Kept between 0.05 s
// and one hour.
inline constexpr double kDefaultRecoveryDelaySeconds = 20;
int recoveryDelayMilliseconds(const char* environmentValue, std::optional<double> settingSeconds);

class RecoveryStore {
public:
    static constexpr const char* kRecordFileName = "record";
    static constexpr const char* kPackageName = "Drawing.qvdraw";

    RecoveryStore(std::string folder, ProcessIdentity self);

    const std::string& folder() const { return m_Folder; }
    std::string setAsideFolder() const { return m_Folder + "-unreadable"; }
    std::string copyPath(std::string_view name) const;
    std::string packagePath(std::string_view name) const;
    const ProcessIdentity& self() const { return m_Self; }

    // A fresh copy name of this process.
    std::string newCopyName();

    // Makes the folder and those above it; the reason when copies cannot be
    // written there.
    PackageResult prepare() const;

    // Writes (or replaces) the copy: the record first for a new copy, then
    // the package, then the record with the new time. A failure leaves the
    // previous copy as it was.
    PackageResult writeCopy(const std::string& name, const RecoveryRecord& record,
                            const PackageFiles& files,
                            FileOperations& ops = FileOperations::system()) const;
    PackageResult removeCopy(const std::string& name) const;

    // The copies in the folder (names that are not copy names are not ours
    // and are left alone).
    struct Copy {
        std::string name;
        ProcessIdentity owner;
    };
    std::vector<Copy> copies() const;

    std::optional<RecoveryRecord> readRecord(const std::string& name, std::string& error) const;

private:
    std::string m_Folder;
    ProcessIdentity m_Self;
    unsigned m_NextNumber = 1;
};

// A copy taken over from an ended process, read and ready to open.
struct TakenCopy {
    std::string name;
    RecoveryRecord record;
    // Read; its shapes wait in loadedShapes() for the window.
    std::unique_ptr<DrawDocument> document;
};

// A copy that could not be read: moved aside, never deleted.
struct UnreadableCopy {
    std::string name;
    // The record's name when it could be read, else the folder's.
    std::string displayName;
    std::string reason;
    // Where it is now: in the set-aside folder, or where it was when it could
    // not be moved (movedAside false).
    std::string path;
    bool movedAside = false;
};

struct TakeOverResult {
    std::vector<TakenCopy> copies;
    std::vector<UnreadableCopy> unreadable;
    // A copy that could not be taken over (and stays where it is), in words.
    std::vector<std::string> problems;
};

// Takes over every copy whose owner has ended: renames it to a name of this
// process, reads record and drawing, and sets aside what cannot be read. A
// copy another process takes first is skipped; a copy whose package was
// never written holds no work and is removed. Oldest copies first.
TakeOverResult takeOverAbandonedCopies(RecoveryStore& store);

} // namespace qv
