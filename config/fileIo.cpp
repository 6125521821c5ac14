#include "config/fileIo.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace {
std::mutex hookMu;
WriteFaultHook faultHook;

bool hookAllows(const std::string& path, size_t size) {
    std::lock_guard<std::mutex> lock(hookMu);
    return !faultHook || faultHook(path, size);
}

void setErr(std::string* err, const std::string& what, const std::string& path, int e) {
    if (err) *err = what + " " + path + ": " + std::strerror(e);
}
}  // namespace

void setWriteFaultHook(WriteFaultHook hook) {
    std::lock_guard<std::mutex> lock(hookMu);
    faultHook = std::move(hook);
}

bool writeFileWhole(const std::string& path, const void* data, size_t size, std::string* err,
                    bool durable) {
    if (path.empty()) {
        if (err) *err = "empty file name";
        return false;
    }
    std::string tmp = path + ".tmp" + std::to_string(getpid());
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        setErr(err, "cannot create", tmp, errno);
        return false;
    }
    bool ok = true;
    int e = 0;
    if (!hookAllows(path, size)) {
        ok = false;
        e = ENOSPC;
    }
    const char* p = static_cast<const char*>(data);
    size_t left = ok ? size : 0;
    while (ok && left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            e = errno;
            break;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    if (ok && durable && ::fsync(fd) != 0) {
        ok = false;
        e = errno;
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        e = errno;
    }
    if (ok && ::rename(tmp.c_str(), path.c_str()) != 0) {
        ok = false;
        e = errno;
    }
    if (!ok) {
        ::unlink(tmp.c_str());
        setErr(err, "cannot write", path, e);
    }
    return ok;
}

bool syncFolder(const std::string& dir, std::string* err) {
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        setErr(err, "cannot open", dir, errno);
        return false;
    }
    // One flush of the file system instead of one per file.
    bool ok = ::syncfs(fd) == 0 && ::fsync(fd) == 0;
    int e = errno;
    ::close(fd);
    if (!ok) setErr(err, "cannot flush", dir, e);
    return ok;
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
