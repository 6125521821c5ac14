#pragma once
// Whole-or-nothing file replacement: the bytes go to a temporary file beside
// the target, are flushed to disk, and the temporary file is renamed over
// the target. A failure leaves the old file as it was.
#include <cstddef>
#include <functional>
#include <string>

// durable false skips the flush of this one file; the caller then flushes
// the folder once with syncFolder after writing many files.
bool writeFileWhole(const std::string& path, const void* data, size_t size, std::string* err,
                    bool durable = true);
inline bool writeFileWhole(const std::string& path, const std::string& bytes, std::string* err,
                           bool durable = true) {
    return writeFileWhole(path, bytes.data(), bytes.size(), err, durable);
}

// Flushes everything written below a folder to disk, and the folder itself.
bool syncFolder(const std::string& dir, std::string* err);

// Test hook: called before every write with the target path and the byte
// count; returning false makes that write fail as a full disk would.
using WriteFaultHook = std::function<bool(const std::string& path, size_t size)>;
void setWriteFaultHook(WriteFaultHook hook);

// Reads a whole file; false when it cannot be read.
bool readFileWhole(const std::string& path, std::string* out);
