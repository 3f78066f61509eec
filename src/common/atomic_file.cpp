#include "common/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pravel {

namespace {

// As many links as the system itself follows before it gives up (ELOOP).
constexpr int kMaxLinkHops = 40;

// The file a path names once every symbolic link at its end is followed; the
// links in its folders need no resolving, since the replacement is made in
// the folder the final name lives in. A link whose target does not exist yet
// resolves to that target, which is then created.
bool follow_links(std::filesystem::path& path, std::string& error) {
    for (int hops = 0;; ++hops) {
        std::error_code ec;
        const auto st = std::filesystem::symlink_status(path, ec);
        if (ec || !std::filesystem::is_symlink(st)) return true;
        if (hops == kMaxLinkHops) {
            error = std::strerror(ELOOP);
            return false;
        }
        const std::filesystem::path link = std::filesystem::read_symlink(path, ec);
        if (ec) {
            error = ec.message();
            return false;
        }
        path = link.is_absolute() ? link : path.parent_path() / link;
    }
}

}  // namespace

AtomicFile::~AtomicFile() { discard(); }

bool AtomicFile::fail(int error_number) {
    error_ = std::strerror(error_number);
    discard();
    return false;
}

WriteTarget resolve_write_target(const std::string& path) {
    WriteTarget t;
    std::filesystem::path target(path);
    if (path.empty() || target.filename().empty()) {
        t.error = "no file name given";
        return t;
    }
    if (!follow_links(target, t.error)) return t;
    t.path = target.string();
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            t.error = "\"" + path + "\" is a folder, not a file: choose a file name";
            return t;
        }
        if (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode)) {
            t.kind = WriteTarget::Kind::Direct;
            return t;
        }
        if (!S_ISREG(st.st_mode)) {
            t.error = "\"" + path + "\" is a special file, not a file that can be written";
            return t;
        }
        t.existing_mode = static_cast<int>(st.st_mode & 07777);
    } else if (errno != ENOENT) {
        t.error = std::strerror(errno);
        return t;
    }
    t.kind = WriteTarget::Kind::Replace;
    return t;
}

bool AtomicFile::open(const std::string& path) {
    discard();
    error_.clear();
    const WriteTarget t = resolve_write_target(path);
    if (t.kind == WriteTarget::Kind::Refused) {
        error_ = t.error;
        return false;
    }
    if (t.kind == WriteTarget::Kind::Direct) return open_direct(t.path);
    const std::filesystem::path target(t.path);
    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    std::string temp_name = ".";
    temp_name.append(target.filename().string()).append(".XXXXXX");
    return open_replacement(t.path, (folder / temp_name).string(), t.existing_mode);
}

bool AtomicFile::open_direct(const std::string& path) {
    int fd;
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        error_ = std::strerror(errno);
        return false;
    }
    fd_ = fd;
    direct_ = true;
    path_ = path;
    return true;
}

bool AtomicFile::open_replacement(const std::string& path, const std::string& temp_template, int existing_mode) {
    std::string temp = temp_template;
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        error_ = std::strerror(errno);
        return false;
    }
    // mkstemp makes the file private to its owner; the finished file keeps the
    // permissions of the file it replaces, or gets those of a new file.
    mode_t mode;
    if (existing_mode >= 0) {
        mode = static_cast<mode_t>(existing_mode);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);

    fd_ = fd;
    direct_ = false;
    path_ = path;
    temp_path_ = temp;
    return true;
}

bool AtomicFile::write(const void* data, std::size_t size) {
    if (fd_ < 0) {
        if (error_.empty()) error_ = "the file is not open";
        return false;
    }
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd_, p, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(errno);
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool AtomicFile::close() {
    if (fd_ < 0) {
        if (error_.empty()) error_ = "the file is not open";
        return false;
    }
    if (!direct_ && ::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) return fail(errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return fail(errno);
    if (direct_) return true;
    if (std::rename(temp_path_.c_str(), path_.c_str()) != 0) return fail(errno);
    temp_path_.clear();
    return true;
}

void AtomicFile::discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_path_.empty()) {
        ::unlink(temp_path_.c_str());
        temp_path_.clear();
    }
}

}  // namespace pravel
