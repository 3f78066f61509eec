// Writing reports and bitmaps through the one atomic file writer: what happens
// to links, devices, pipes, folders and files that a write fails on.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "common/atomic_file.h"

namespace pravel {
namespace {

namespace fs = std::filesystem;

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("pravel-atomic-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    static std::string read(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static bool write_all(const fs::path& p, const std::string& text, std::string* error = nullptr) {
        AtomicFile file;
        const bool ok = file.open(p.string()) && file.write(text.data(), text.size()) && file.close();
        if (error) *error = file.error();
        return ok;
    }
    std::size_t entries() const { return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {})); }

    fs::path dir_;
};

TEST_F(AtomicFileTest, WritesThroughSymbolicLinksToTheirTargets) {
    fs::create_directories(dir_ / "elsewhere");
    const fs::path real = dir_ / "real.txt";
    const fs::path far = dir_ / "elsewhere" / "far.txt";
    std::ofstream(real) << "old";
    std::ofstream(far) << "old far";
    fs::create_symlink("real.txt", dir_ / "relative");               // relative to the link's folder
    fs::create_symlink("relative", dir_ / "chain");                  // a link to a link
    fs::create_symlink(far, dir_ / "absolute");                      // into another folder
    fs::create_symlink("elsewhere/new.txt", dir_ / "dangling");      // target not there yet

    struct Case {
        fs::path link;
        fs::path target;
    };
    const Case cases[] = {{dir_ / "relative", real},
                          {dir_ / "chain", real},
                          {dir_ / "absolute", far},
                          {dir_ / "dangling", dir_ / "elsewhere" / "new.txt"}};
    for (const auto& c : cases) {
        const std::string text = "written through " + c.link.filename().string();
        std::string error;
        ASSERT_TRUE(write_all(c.link, text, &error)) << c.link << ": " << error;
        EXPECT_TRUE(fs::is_symlink(c.link)) << c.link << " stays a link";
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(c.target))) << c.target;
        EXPECT_EQ(read(c.target), text) << c.link;
    }
    EXPECT_EQ(entries(), 6u) << "no temporary file left beside the links";
    EXPECT_EQ(static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_ / "elsewhere"), {})), 2u);
}

TEST_F(AtomicFileTest, ALinkInACircleIsRefused) {
    fs::create_symlink("b", dir_ / "a");
    fs::create_symlink("a", dir_ / "b");
    std::string error;
    EXPECT_FALSE(write_all(dir_ / "a", "text", &error));
    EXPECT_NE(error, "");
    EXPECT_TRUE(fs::is_symlink(dir_ / "a"));
    EXPECT_EQ(entries(), 2u);
}

TEST_F(AtomicFileTest, AFifoIsWrittenDirectlyToItsReader) {
    const fs::path fifo = dir_ / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // The test holds the pipe open at both ends while the writer works, so
    // that neither side waits for the other to open it; the reader sees the
    // end once the writer and the test have closed it.
    const int held = ::open(fifo.c_str(), O_RDWR);
    ASSERT_GE(held, 0);
    std::string received;
    std::thread reader([&] { received = read(fifo); });
    std::string text(100000, 'r');  // more than a pipe holds at once
    text += "\r\nTotal budget: 0\r\n";
    std::string error;
    const bool ok = write_all(fifo, text, &error);
    ::close(held);
    reader.join();
    EXPECT_TRUE(ok) << error;
    EXPECT_EQ(received, text);
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status(fifo))) << "the pipe is still a pipe";
    EXPECT_EQ(entries(), 1u);
}

TEST_F(AtomicFileTest, CharacterDevicesAreWrittenNotReplaced) {
    // Device nodes of their own in the scratch folder, so that no system
    // device is at stake: one that takes everything, one that is always full.
    const fs::path sink = dir_ / "sink";
    const fs::path full = dir_ / "full";
    if (::mknod(sink.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0 ||
        ::mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0)
        GTEST_SKIP() << "device nodes cannot be made here";

    std::string error;
    EXPECT_TRUE(write_all(sink, "report", &error)) << error;
    EXPECT_FALSE(write_all(full, "report", &error));
    EXPECT_NE(error, "") << "the full device's refusal is reported";
    for (const auto& node : {sink, full})
        EXPECT_TRUE(fs::is_character_file(fs::symlink_status(node))) << node << " is still a device";
    EXPECT_EQ(entries(), 2u);
}

TEST_F(AtomicFileTest, AFolderIsRefusedWithAClearMessage) {
    const fs::path folder = dir_ / "reports";
    fs::create_directories(folder);
    std::ofstream(folder / "inside.txt") << "kept";
    fs::create_symlink("reports", dir_ / "to-folder");
    for (const auto& path : {folder, dir_ / "to-folder"}) {
        AtomicFile file;
        EXPECT_FALSE(file.open(path.string())) << path;
        EXPECT_NE(file.error().find("is a folder"), std::string::npos) << file.error();
        EXPECT_NE(file.error().find(path.string()), std::string::npos) << "the message names the path";
        EXPECT_FALSE(file.is_open());
    }
    EXPECT_TRUE(fs::is_directory(fs::symlink_status(folder)));
    EXPECT_EQ(read(folder / "inside.txt"), "kept");
    EXPECT_EQ(entries(), 2u) << "nothing written beside the folder";
}

TEST_F(AtomicFileTest, AFailedWriteLeavesTheOldFileWhole) {
    const fs::path report = dir_ / "report.txt";
    std::ofstream(report) << "the old report";
    fs::permissions(report, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("report.txt", dir_ / "latest");

    // A file size limit makes the write itself fail part-way (EFBIG), as a
    // full disk would.
    rlimit old_limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old_limit), 0);
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old_limit;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string big(100000, 'x');
    std::string error_plain, error_link;
    const bool plain = write_all(report, big, &error_plain);
    const bool linked = write_all(dir_ / "latest", big, &error_link);
    ::setrlimit(RLIMIT_FSIZE, &old_limit);
    std::signal(SIGXFSZ, old_handler);

    EXPECT_FALSE(plain);
    EXPECT_FALSE(linked);
    EXPECT_NE(error_plain, "");
    EXPECT_NE(error_link, "");
    EXPECT_EQ(read(report), "the old report");
    EXPECT_TRUE(fs::is_symlink(dir_ / "latest"));
    EXPECT_EQ(entries(), 2u) << "no temporary file left";

    // A write that succeeds keeps the permissions the old file had.
    ASSERT_TRUE(write_all(dir_ / "latest", "the new report"));
    EXPECT_EQ(read(report), "the new report");
    EXPECT_EQ(fs::status(report).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

}  // namespace
}  // namespace pravel
