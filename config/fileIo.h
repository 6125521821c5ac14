#pragma once
// Whole-or-nothing file replacement: the bytes go to a temporary file beside
// the target, are flushed to disk, and the temporary file is renamed over
// the target. A failure leaves the old file as it was. A symbolic link
// stays: the file it points to is replaced. A device, a pipe or the
// process's own /dev/stdout cannot be replaced and is written to instead.
//
// Temporary files and folders are anonymous where the file system allows it
// and otherwise named ".vatmp-<pid>-<6 characters>" beside their target,
// whatever the target's name. The next write into that folder removes the
// ones whose process has ended.
#include <cstddef>
#include <functional>
#include <string>

// durable false is the batch mode of a folder of many files: no flush and
// no sweep of leftovers per file; the caller flushes the folder once with
// syncFolder.
bool writeFileWhole(const std::string& path, const void* data, size_t size, std::string* err,
                    bool durable = true);
inline bool writeFileWhole(const std::string& path, const std::string& bytes, std::string* err,
                           bool durable = true) {
    return writeFileWhole(path, bytes.data(), bytes.size(), err, durable);
}

// A new file in a folder that nobody sees before it is complete (the
// staging folder of a folder job, which then replaces the target whole):
// created under its own name, no temporary file, no flush; a failure
// removes what was written. Fails when the file exists.
bool writeNewFile(const std::string& path, const std::string& bytes, std::string* err);

// A file that must change together with another one: stage writes it whole
// under a temporary name beside its target and flushes it; commit renames
// it over the target, so the caller chooses the order in which the two
// appear. The temporary file goes with the object unless committed. A
// device or a pipe cannot be staged and is written to at stage.
class StagedFile {
public:
    StagedFile() = default;
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;
    ~StagedFile();
    bool stage(const std::string& path, const std::string& bytes, std::string* err);
    bool commit(std::string* err);

private:
    std::string named_, path_, tmp_;
    bool inPlace_ = false;
};

// Removes a file and flushes its folder; a file that is not there is no
// error.
bool removeFile(const std::string& path, std::string* err);

// Flushes everything written below a folder to disk, and the folder itself.
bool syncFolder(const std::string& dir, std::string* err);

// Removes the temporary files and folders in dir whose process has ended;
// those of a live process are kept. A folder that such a process had moved
// aside in replaceFolder goes back in its place when that is empty.
void removeStaleTemps(const std::string& dir);

// Creates an empty folder with a temporary name beside target, where the
// complete folder is later swapped in by replaceFolder.
bool makeTempFolder(const std::string& target, std::string* path, std::string* err);

// Puts the complete folder staged in the place of target (a folder, or
// nothing yet) and removes the old one. The swap is atomic where the file
// system can exchange two names; elsewhere the old folder is moved aside
// first and put back when the second rename fails. Errors name target.
bool replaceFolder(const std::string& staged, const std::string& target, std::string* err);

// Removes a folder and everything below it, as far as it can.
void removeTree(const std::string& dir);

// Exclusive lock on a folder for the whole write of a destination inside
// it, between processes and between jobs of one process. Released when the
// object goes.
class FolderLock {
public:
    enum Result { kLocked, kBusy, kFailed };
    FolderLock() = default;
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    ~FolderLock();
    // Waits up to waitMs for a lock that another writer holds; kFailed (with
    // *err set) when the folder cannot be opened.
    Result acquire(const std::string& dir, int waitMs, std::string* err);

private:
    int fd_ = -1;
};

// Test hook: called before every write with the target path and the byte
// count; returning false makes that write fail as a full disk would.
using WriteFaultHook = std::function<bool(const std::string& path, size_t size)>;
void setWriteFaultHook(WriteFaultHook hook);

// Test hook: called with the path just changed after each step that puts
// files in place (StagedFile::commit, removeFile, each rename of
// replaceFolder); a test kills the process there.
using StepHook = std::function<void(const std::string& path)>;
void setStepHook(StepHook hook);

// Test hook: behave as on a file system without anonymous temporary files
// and without an atomic exchange of two names.
void setPlainFileSystem(bool plain);

// Why a relative path cannot be reached when the folder it starts from was
// removed (the current folder, run from a folder deleted since): "the
// current folder no longer exists"; empty when that is not the case. The
// file functions above give this reason instead of "No such file or
// directory".
std::string removedFolderReason(const std::string& path);

// Reads a whole file; false when it cannot be read.
bool readFileWhole(const std::string& path, std::string* out);

// Reads a regular file of at most max bytes, never more than one read past
// the bound. A pipe is not waited for (opened without blocking) and, like a
// device or a folder, refused. *reason gets why it failed ("it is not a
// regular file", "it is a folder", the system's reason); out is empty then.
enum class BoundedRead { kOk, kCannotRead, kTooLarge };
BoundedRead readRegularFile(const std::string& path, size_t max, std::string* out,
                            std::string* reason);
