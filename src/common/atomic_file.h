#pragma once
#include <cstddef>
#include <string>

namespace pravel {

// A file that replaces its target only when it has been written completely:
// the bytes go to a temporary file in the target's folder, which close()
// renames over the target. On any failure, or when the object is dropped
// before close(), the temporary file is removed and the target is left as it
// was, so no half-written file is ever left behind.
class AtomicFile {
public:
    AtomicFile() = default;
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Starts a file that is to replace `path` (created or truncated on close).
    bool open(const std::string& path);
    bool write(const void* data, std::size_t size);
    // Finishes the file and puts it in place; false when that fails, and the
    // target is then as it was before open().
    bool close();
    // Drops what was written; the target is left as it was.
    void discard();

    bool is_open() const { return fd_ >= 0; }
    // Why the last call failed; empty when none did.
    const std::string& error() const { return error_; }

private:
    bool fail(int error_number);

    int fd_ = -1;
    std::string path_;
    std::string temp_path_;
    std::string error_;
};

}  // namespace pravel
