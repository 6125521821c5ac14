#include "config/fileIo.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

namespace {
std::mutex hookMu;
WriteFaultHook faultHook;
std::atomic<bool> plainFs{false};

constexpr char kTempPrefix[] = ".vatmp-";
constexpr size_t kTempPrefixLen = sizeof kTempPrefix - 1;

bool hookAllows(const std::string& path, size_t size) {
    std::lock_guard<std::mutex> lock(hookMu);
    return !faultHook || faultHook(path, size);
}

bool fail(std::string* err, const std::string& what, const std::string& path, int e) {
    if (!err) return false;
    std::string why = e == ENOENT ? removedFolderReason(path) : std::string();
    *err = what + " " + path + ": " + (why.empty() ? std::strerror(e) : why);
    return false;
}

std::string dirOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string join(const std::string& dir, const std::string& name) {
    return dir == "/" ? dir + name : dir + "/" + name;
}

// ".vatmp-<pid>-" and six characters that differ from call to call; the
// caller creates it exclusively and draws again when it is taken.
std::string tempName() {
    static std::atomic<uint64_t> counter{0};
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    uint64_t x = (static_cast<uint64_t>(ts.tv_sec) << 30) ^ static_cast<uint64_t>(ts.tv_nsec);
    x += (counter.fetch_add(1) + 1) * 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    x ^= x >> 31;
    const char* digits = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string name = kTempPrefix + std::to_string(getpid()) + "-";
    for (int i = 0; i < 6; ++i, x /= 36) name += digits[x % 36];
    return name;
}

// The process that owns a temporary name, or 0 when it is none of ours.
pid_t tempOwner(const char* name) {
    if (std::strncmp(name, kTempPrefix, kTempPrefixLen) != 0) return 0;
    long pid = 0;
    const char* p = name + kTempPrefixLen;
    int n = 0;
    for (; *p >= '0' && *p <= '9' && n < 9; ++p, ++n) pid = pid * 10 + (*p - '0');
    if (n == 0 || *p != '-' || p[1] == '\0') return 0;
    return static_cast<pid_t>(pid);
}

// A folder that replaceFolder moved aside: ".vaold-<pid>-<its name>".
constexpr char kAsidePrefix[] = ".vaold-";
constexpr size_t kAsidePrefixLen = sizeof kAsidePrefix - 1;

std::string asideName(const std::string& target) {
    const size_t slash = target.find_last_of('/');
    return kAsidePrefix + std::to_string(getpid()) + "-" +
           (slash == std::string::npos ? target : target.substr(slash + 1));
}

// The process that moved a folder aside and the folder's name, or 0.
pid_t asideOwner(const char* name, std::string* target) {
    if (std::strncmp(name, kAsidePrefix, kAsidePrefixLen) != 0) return 0;
    long pid = 0;
    const char* p = name + kAsidePrefixLen;
    int n = 0;
    for (; *p >= '0' && *p <= '9' && n < 9; ++p, ++n) pid = pid * 10 + (*p - '0');
    if (n == 0 || *p != '-' || p[1] == '\0' || std::strcmp(p + 1, ".") == 0 ||
        std::strcmp(p + 1, "..") == 0)
        return 0;
    *target = p + 1;
    return static_cast<pid_t>(pid);
}

void syncDir(const std::string& dir) {
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

bool writeAll(int fd, const void* data, size_t size, int* e) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::write(fd, p, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            *e = errno;
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Gives an anonymous file a temporary name in dir.
bool linkAnonymous(int fd, const std::string& dir, std::string* tmp) {
    char self[64];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    for (int tries = 0; tries < 100; ++tries) {
        *tmp = join(dir, tempName());
        if (::linkat(AT_FDCWD, self, AT_FDCWD, tmp->c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
        if (errno != EEXIST) break;
    }
    tmp->clear();
    return false;
}

enum class Outcome { kDone, kFailed, kRetryNamed };

// Writes the bytes to a temporary file beside path (*tmp), anonymous until
// it is whole (linkat cannot replace an existing file) or named from the
// start.
Outcome stageVia(bool anonymous, const std::string& path, const std::string& dir, const void* data,
                 size_t size, bool durable, std::string* tmp, std::string* err) {
    int fd = -1;
    tmp->clear();
    if (anonymous) {
        fd = ::open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0644);
        if (fd < 0) return Outcome::kRetryNamed;
    } else {
        for (int tries = 0; tries < 100 && fd < 0; ++tries) {
            *tmp = join(dir, tempName());
            fd = ::open(tmp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            if (fd < 0 && errno != EEXIST) break;
        }
        if (fd < 0) {
            tmp->clear();
            fail(err, "cannot write", path, errno);
            return Outcome::kFailed;
        }
    }
    int e = 0;
    bool ok = true;
    if (!hookAllows(path, size)) {
        ok = false;
        e = ENOSPC;
    }
    if (ok) ok = writeAll(fd, data, size, &e);
    if (ok && durable && ::fsync(fd) != 0) {
        ok = false;
        e = errno;
    }
    if (ok && anonymous && !linkAnonymous(fd, dir, tmp)) {
        ::close(fd);
        return Outcome::kRetryNamed;
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        e = errno;
    }
    if (!ok) {
        if (!tmp->empty()) ::unlink(tmp->c_str());
        tmp->clear();
        fail(err, "cannot write", path, e);
        return Outcome::kFailed;
    }
    return Outcome::kDone;
}

// Renames the staged file over path; removes it when that fails.
bool commitStaged(const std::string& tmp, const std::string& path, const std::string& dir,
                  bool durable, std::string* err) {
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        int e = errno;
        ::unlink(tmp.c_str());
        return fail(err, "cannot write", path, e);
    }
    if (durable) syncDir(dir);
    return true;
}

std::mutex stepMu;
StepHook stepHook;

// Tells the test hook that path has just changed on disk.
void stepDone(const std::string& path) {
    StepHook hook;
    {
        std::lock_guard<std::mutex> lock(stepMu);
        hook = stepHook;
    }
    if (hook) hook(path);
}

// Where the bytes for named go: the file itself, or for a device, a pipe or
// the process's own stream, written to in place (append for a stream).
struct Target {
    std::string path;
    bool inPlace = false, append = false;
};
Target targetOf(const std::string& named) {
    Target t{named};
    // A device, a pipe or a terminal (/dev/null, /dev/stdout) can only be
    // written to: a rename would put a plain file in its place, or take the
    // file a redirection opened away from the process's own output.
    const bool ownStream = named.rfind("/dev/std", 0) == 0 || named.rfind("/dev/fd/", 0) == 0 ||
                           named.rfind("/proc/", 0) == 0;
    struct stat st {};
    if (::stat(named.c_str(), &st) == 0 &&
        (ownStream || (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)))) {
        t.inPlace = true;
        t.append = ownStream;
    } else if (::lstat(named.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        // The file a link points to is replaced, and the link stays.
        if (char* real = ::realpath(named.c_str(), nullptr)) {
            t.path = real;
            std::free(real);
        }
    }
    return t;
}

}  // namespace

namespace {
// Writes into a file that already exists and cannot be replaced; append
// for a stream the process already writes to (shared with its output).
bool writeInPlace(const std::string& path, const void* data, size_t size, bool append,
                  std::string* err) {
    // A pipe that nobody reads would block for ever: opened without
    // blocking it fails at once, and blocks as usual once open.
    int fd = ::open(path.c_str(),
                    O_WRONLY | O_CLOEXEC | O_NONBLOCK | (append ? O_APPEND : O_TRUNC));
    if (fd < 0 && errno == ENXIO) {
        if (err) *err = "cannot write " + path + ": no process reads this pipe";
        return false;
    }
    if (fd < 0) return fail(err, "cannot write", path, errno);
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    int e = 0;
    bool ok = hookAllows(path, size);
    if (!ok) e = ENOSPC;
    if (ok) ok = writeAll(fd, data, size, &e);
    if (::close(fd) != 0 && ok) {
        ok = false;
        e = errno;
    }
    return ok || fail(err, "cannot write", path, e);
}
}  // namespace

void setWriteFaultHook(WriteFaultHook hook) {
    std::lock_guard<std::mutex> lock(hookMu);
    faultHook = std::move(hook);
}

void setPlainFileSystem(bool plain) { plainFs = plain; }

std::string removedFolderReason(const std::string& path) {
    if (path.empty() || path[0] == '/') return {};
    // The nearest part of the path that exists: a folder with no link left
    // was removed while in use, and nothing can be made in it. Its ".."
    // still leads out, so "../x" is not affected.
    std::string p = path;
    for (;;) {
        struct stat st {};
        if (::stat(p.c_str(), &st) == 0) {
            if (S_ISDIR(st.st_mode) && st.st_nlink == 0)
                return "the current folder no longer exists";
            return {};
        }
        if (errno != ENOENT || p == ".") return {};
        size_t slash = p.find_last_of('/');
        p = slash == std::string::npos ? "." : p.substr(0, slash);
        if (p.empty()) return {};
    }
}

bool writeFileWhole(const std::string& named, const void* data, size_t size, std::string* err,
                    bool durable) {
    if (named.empty() || named.back() == '/') {
        if (err) *err = "no file name: " + named;
        return false;
    }
    const Target t = targetOf(named);
    if (t.inPlace) return writeInPlace(named, data, size, t.append, err);
    const std::string dir = dirOf(t.path);
    if (durable) removeStaleTemps(dir);
    std::string tmp;
    Outcome r = Outcome::kRetryNamed;
    if (!plainFs) r = stageVia(true, t.path, dir, data, size, durable, &tmp, err);
    if (r == Outcome::kRetryNamed) r = stageVia(false, t.path, dir, data, size, durable, &tmp, err);
    return r == Outcome::kDone && commitStaged(tmp, t.path, dir, durable, err);
}

StagedFile::~StagedFile() {
    if (!tmp_.empty()) ::unlink(tmp_.c_str());
}

bool StagedFile::stage(const std::string& named, const std::string& bytes, std::string* err) {
    if (!tmp_.empty()) ::unlink(tmp_.c_str());
    tmp_.clear();
    named_ = named;
    if (named.empty() || named.back() == '/') {
        if (err) *err = "no file name: " + named;
        return false;
    }
    const Target t = targetOf(named);
    if (t.inPlace) {
        inPlace_ = true;
        return writeInPlace(named, bytes.data(), bytes.size(), t.append, err);
    }
    inPlace_ = false;
    path_ = t.path;
    const std::string dir = dirOf(path_);
    removeStaleTemps(dir);
    Outcome r = Outcome::kRetryNamed;
    if (!plainFs) r = stageVia(true, path_, dir, bytes.data(), bytes.size(), true, &tmp_, err);
    if (r == Outcome::kRetryNamed)
        r = stageVia(false, path_, dir, bytes.data(), bytes.size(), true, &tmp_, err);
    return r == Outcome::kDone;
}

bool StagedFile::commit(std::string* err) {
    if (inPlace_) return true;
    if (tmp_.empty()) {
        if (err) *err = "cannot write " + named_ + ": nothing staged";
        return false;
    }
    const std::string tmp = tmp_;
    tmp_.clear();
    if (!commitStaged(tmp, path_, dirOf(path_), true, err)) return false;
    stepDone(named_);
    return true;
}

bool removeFile(const std::string& path, std::string* err) {
    if (::unlink(path.c_str()) != 0)
        return errno == ENOENT || fail(err, "cannot remove", path, errno);
    syncDir(dirOf(path));
    stepDone(path);
    return true;
}

void setStepHook(StepHook hook) {
    std::lock_guard<std::mutex> lock(stepMu);
    stepHook = std::move(hook);
}

bool writeNewFile(const std::string& path, const std::string& bytes, std::string* err) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return fail(err, "cannot write", path, errno);
    int e = 0;
    bool ok = hookAllows(path, bytes.size());
    if (!ok) e = ENOSPC;
    if (ok) ok = writeAll(fd, bytes.data(), bytes.size(), &e);
    if (::close(fd) != 0 && ok) {
        ok = false;
        e = errno;
    }
    if (ok) return true;
    ::unlink(path.c_str());
    return fail(err, "cannot write", path, e);
}

bool syncFolder(const std::string& dir, std::string* err) {
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return fail(err, "cannot open", dir, errno);
    // One flush of the file system instead of one per file.
    bool ok = ::syncfs(fd) == 0 && ::fsync(fd) == 0;
    int e = errno;
    ::close(fd);
    if (!ok) return fail(err, "cannot flush", dir, e);
    return true;
}

void removeStaleTemps(const std::string& dir) {
    DIR* d = ::opendir(dir.c_str());
    if (!d) return;
    std::vector<std::string> stale;
    std::vector<std::pair<std::string, std::string>> aside;  // its name, the folder's
    // kill with signal 0 only asks; EPERM means alive under another user.
    auto dead = [](pid_t pid) { return pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH; };
    try {
        while (dirent* e = ::readdir(d)) {
            std::string target;
            if (dead(tempOwner(e->d_name))) stale.emplace_back(e->d_name);
            if (dead(asideOwner(e->d_name, &target))) aside.emplace_back(e->d_name, target);
        }
    } catch (...) {
    }
    ::closedir(d);
    for (const std::string& name : stale) removeTree(join(dir, name));
    // A run killed between moving the old folder aside and putting the new
    // one in its place: the old one goes back. Once the new one is there,
    // the old one goes.
    for (const auto& [name, target] : aside) {
        struct stat st {};
        const std::string path = join(dir, name), back = join(dir, target);
        if (::lstat(back.c_str(), &st) != 0 && errno == ENOENT &&
            ::rename(path.c_str(), back.c_str()) == 0)
            syncDir(dir);
        else
            removeTree(path);
    }
}

void removeTree(const std::string& dir) {
    try {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    } catch (...) {
    }
}

bool makeTempFolder(const std::string& target, std::string* path, std::string* err) {
    const std::string parent = dirOf(target);
    for (int tries = 0; tries < 100; ++tries) {
        *path = join(parent, tempName());
        if (::mkdir(path->c_str(), 0777) == 0) return true;
        if (errno != EEXIST) break;
    }
    int e = errno;
    path->clear();
    return fail(err, "cannot create", target, e);
}

bool replaceFolder(const std::string& staged, const std::string& target, std::string* err) {
    const std::string parent = dirOf(target);
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0) {
        if (errno != ENOENT) return fail(err, "cannot replace", target, errno);
        if (::rename(staged.c_str(), target.c_str()) != 0)
            return fail(err, "cannot create", target, errno);
        syncDir(parent);
        return true;
    }
    std::string old = staged;
    bool swapped = !plainFs && ::renameat2(AT_FDCWD, staged.c_str(), AT_FDCWD, target.c_str(),
                                           RENAME_EXCHANGE) == 0;
    if (!swapped) {
        int e = plainFs ? EINVAL : errno;
        if (e != EINVAL && e != ENOSYS && e != EOPNOTSUPP)
            return fail(err, "cannot replace", target, e);
        // No exchange here: move the old folder aside, and back on failure.
        // Killed before the new one is in place, the old one is put back
        // by the next write into parent (removeStaleTemps).
        old = join(parent, asideName(target));
        if (::rename(target.c_str(), old.c_str()) != 0)
            return fail(err, "cannot replace", target, errno);
        stepDone(target);
        if (::rename(staged.c_str(), target.c_str()) != 0) {
            e = errno;
            ::rename(old.c_str(), target.c_str());
            return fail(err, "cannot replace", target, e);
        }
    }
    syncDir(parent);
    stepDone(target);
    removeTree(old);
    return true;
}

FolderLock::~FolderLock() {
    if (fd_ >= 0) ::close(fd_);
}

FolderLock::Result FolderLock::acquire(const std::string& dir, int waitMs, std::string* err) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) {
        fail(err, "cannot open folder", dir, errno);
        return kFailed;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return kLocked;
        int e = errno;
        if (e == EINTR) continue;
        if (e != EWOULDBLOCK) {
            // A file system without locks (some network shares): write as
            // before, unlocked, rather than refuse every list there.
            if (e == ENOLCK || e == EOPNOTSUPP || e == EINVAL || e == EBADF) return kLocked;
            fail(err, "cannot lock folder", dir, e);
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            if (err) *err = dir;
            ::close(fd_);
            fd_ = -1;
            return kBusy;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::close(fd_);
    fd_ = -1;
    return kFailed;
}

bool readFileWhole(const std::string& path, std::string* out) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    out->clear();
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out->append(buf, n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

BoundedRead readRegularFile(const std::string& path, size_t max, std::string* out,
                            std::string* reason) {
    out->clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *reason = std::strerror(errno);
        return BoundedRead::kCannotRead;
    }
    BoundedRead result = BoundedRead::kOk;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        *reason = std::strerror(errno);
        result = BoundedRead::kCannotRead;
    } else if (!S_ISREG(st.st_mode)) {
        *reason = S_ISDIR(st.st_mode) ? "it is a folder" : "it is not a regular file";
        result = BoundedRead::kCannotRead;
    } else if (static_cast<unsigned long long>(st.st_size) > max) {
        result = BoundedRead::kTooLarge;
    } else {
        out->reserve(static_cast<size_t>(st.st_size));
    }
    char buf[65536];
    while (result == BoundedRead::kOk) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            *reason = std::strerror(errno);
            result = BoundedRead::kCannotRead;
        } else if (n == 0) {
            break;
        } else if (out->size() + static_cast<size_t>(n) > max) {
            result = BoundedRead::kTooLarge;  // it grew while read
        } else {
            out->append(buf, static_cast<size_t>(n));
        }
    }
    ::close(fd);
    if (result != BoundedRead::kOk) out->clear();
    return result;
}
