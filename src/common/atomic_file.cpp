#include "common/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pravel {

AtomicFile::~AtomicFile() { discard(); }

bool AtomicFile::fail(int error_number) {
    error_ = std::strerror(error_number);
    discard();
    return false;
}

bool AtomicFile::open(const std::string& path) {
    discard();
    error_.clear();
    const std::filesystem::path target(path);
    if (path.empty() || target.filename().empty()) {
        error_ = "no file name given";
        return false;
    }
    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    std::string temp_name = ".";
    temp_name.append(target.filename().string()).append(".XXXXXX");
    std::string temp = (folder / temp_name).string();

    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        error_ = std::strerror(errno);
        return false;
    }
    // mkstemp makes the file private to its owner; the finished file gets the
    // usual permissions of a new file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);

    fd_ = fd;
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
    if (::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) return fail(errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return fail(errno);
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
