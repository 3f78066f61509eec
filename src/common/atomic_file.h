#pragma once
#include <cstddef>
#include <string>

namespace pravel {

// Where the bytes written for a path go, by the rules AtomicFile follows
// (below): writers that cannot stream through AtomicFile (a GIS driver that
// writes its own file) follow the same rules through this.
struct WriteTarget {
    enum class Kind {
        Replace,  // a regular file or a new one: write beside it, then rename over it
        Direct,   // a character device or a FIFO: open and write it as it is
        Refused,  // a folder, another special file, or a path that cannot be followed
    };
    Kind kind = Kind::Refused;
    std::string path;        // the file itself, every symbolic link at the end of the path followed
    int existing_mode = -1;  // permissions of the regular file being replaced; -1 for a new file
    std::string error;       // why the path is refused
};
WriteTarget resolve_write_target(const std::string& path);

// A file that replaces its target only when it has been written completely.
//
// For a regular file (or a new one) the bytes go to a temporary file in the
// target's folder, which close() renames over the target. On any failure, or
// when the object is dropped before close(), the temporary file is removed and
// the target is left as it was, so no half-written file is ever left behind.
// An existing target keeps its permissions.
//
// A symbolic link is followed to the file it names: that file is replaced and
// the link stays a link. A character device or a FIFO (a terminal, /dev/null,
// a pipe read by another program) cannot be replaced and is written directly;
// what was written before a failure has then already reached it. A folder and
// any other kind of special file are refused.
class AtomicFile {
public:
    AtomicFile() = default;
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Starts a file that is to replace `path` (created or truncated on close).
    // Opening a FIFO waits until a reader has opened it.
    bool open(const std::string& path);
    bool write(const void* data, std::size_t size);
    // Finishes the file and puts it in place; false when that fails, and a
    // regular target is then as it was before open().
    bool close();
    // Drops what was written; a regular target is left as it was.
    void discard();

    bool is_open() const { return fd_ >= 0; }
    // Why the last call failed; empty when none did.
    const std::string& error() const { return error_; }

private:
    bool fail(int error_number);
    bool open_direct(const std::string& path);
    bool open_replacement(const std::string& path, const std::string& folder, int existing_mode);

    int fd_ = -1;
    bool direct_ = false;
    std::string path_;
    std::string temp_path_;
    std::string error_;
};

}  // namespace pravel
