// The file layer on the kinds of path a user may hand either program, each
// made in the test's own scratch folder.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <thread>

#include "files/BackgroundRead.h"
#include "files/FileError.h"
#include "files/FileId.h"
#include "files/InputFile.h"
#include "files/OutputFile.h"

namespace files = kavro::files;

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Everything a FIFO or a socket connection brings until its writer is gone,
// or nothing comes for 10 s.
std::string Drain(int fd) {
    std::string bytes;
    pollfd ready{fd, POLLIN, 0};
    char buffer[1 << 16];
    while (fd >= 0 && ::poll(&ready, 1, 10000) > 0) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) bytes.append(buffer, static_cast<size_t>(got));
        if (got == 0 || (got < 0 && errno != EAGAIN)) break;
    }
    ::close(fd);
    return bytes;
}

mode_t Mode(const fs::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

class FilesTest : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("kavro-files-test-" + std::to_string(::getpid()) + "-" +
                                            testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // Runs `body` in a child of its own and returns its wait status.
    static int InChild(const std::function<void()>& body) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            body();
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return status;
    }

    fs::path dir_;
};

// The kinds of path kavro-convert's own test does not reach: the kinds it
// does (links, FIFOs, devices, folders) are tested there, through -o.
TEST_F(FilesTest, OutputByKindOfPath) {
    const fs::path out = dir_ / "out";
    const std::string bytes = "event 1\r\nevent 2\r\n";
    std::string received;
    std::thread reader;
    int listener = -1;
    const auto kind = [](const fs::path& p) { return fs::symlink_status(p).type(); };
    const mode_t mask = ::umask(022);
    struct Row {
        const char* name;
        std::function<void()> make;
        int error;  // what opening or writing fails with, 0 for none
        std::function<void()> check;
        bool commit = true;
    };
    const std::vector<Row> rows = {
        {"regular file", [&] {
             WriteFile(out, "old");
             fs::permissions(out, fs::perms(0751));
         }, 0, [&] {
             EXPECT_EQ(ReadFile(out), bytes);
             EXPECT_EQ(Mode(out) & 07777, 0751u);
         }},
        {"regular file, not committed", [&] { WriteFile(out, "old"); }, 0,
         [&] { EXPECT_EQ(ReadFile(out), "old"); }, false},
        {"socket with a listener", [&] {
             sockaddr_un address{};
             address.sun_family = AF_UNIX;
             std::strncpy(address.sun_path, out.c_str(), sizeof address.sun_path - 1);
             listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
             ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
             ASSERT_EQ(::listen(listener, 1), 0);
             reader = std::thread([&] {
                 pollfd waiting{listener, POLLIN, 0};
                 if (::poll(&waiting, 1, 10000) > 0) received = Drain(::accept(listener, nullptr, nullptr));
             });
         }, 0, [&] {
             reader.join();
             ::close(listener);
             EXPECT_EQ(received, bytes);
             EXPECT_EQ(kind(out), fs::file_type::socket);
         }},
        // As cp: refused unless the user may write it, which root may.
        {"read-only file", [&] {
             WriteFile(out, "old");
             fs::permissions(out, fs::perms(0444));
         }, ::geteuid() == 0 ? 0 : EACCES, [&] {
             EXPECT_EQ(ReadFile(out), ::geteuid() == 0 ? bytes : "old");
             EXPECT_EQ(Mode(out) & 07777, 0444u);
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (const auto& e : fs::directory_iterator(dir_)) fs::remove_all(e.path());
        row.make();
        if (IsSkipped() || HasFatalFailure()) break;
        int error = 0;
        try {
            files::OutputFile file(out.string());
            file.Write(bytes);
            if (row.commit) file.Commit();
        } catch (const files::FileError& e) {
            error = e.Error();
            EXPECT_EQ(e.Path(), out.string());
            EXPECT_EQ(e.Reason(), files::SystemText(error));
        }
        EXPECT_EQ(error, row.error);
        if (reader.joinable() && error) {
            // Nothing will come; let the reader go.
            ::close(::open(out.c_str(), O_WRONLY | O_NONBLOCK));
        }
        row.check();
        for (const std::string& name : Names()) EXPECT_NE(name[0], '.') << name;
    }
    ::umask(mask);
}

// A signal that would end the program removes every temporary file first,
// far more than any fixed table would hold, and keeps the finished ones; a
// signal ignored at start stays ignored.
TEST_F(FilesTest, SignalsRemoveEveryTemporaryFile) {
    for (const int sig : {SIGTERM, SIGINT, SIGHUP, SIGUSR1, SIGALRM, SIGPIPE, SIGRTMIN + 2, -SIGUSR2}) {
        SCOPED_TRACE(sig);
        for (const auto& e : fs::directory_iterator(dir_)) fs::remove_all(e.path());
        const int status = InChild([&] {
            if (sig < 0) std::signal(-sig, SIG_IGN);
            files::RemoveTemporaryFilesOnSignals();
            // Some come and go first, so that later ones take their places.
            for (int i = 0; i < 100; ++i) files::OutputFile((dir_ / ("gone" + std::to_string(i))).string());
            std::vector<std::unique_ptr<files::OutputFile>> outs;
            for (int i = 0; i < 600; ++i) {
                outs.push_back(std::make_unique<files::OutputFile>((dir_ / std::to_string(i)).string()));
                outs.back()->Write("x");
            }
            for (int i = 0; i < 10; ++i) {
                files::OutputFile done((dir_ / ("done" + std::to_string(i))).string());
                done.Commit();
            }
            // Sent to the process, as from outside; it ends on another thread.
            ::kill(::getpid(), std::abs(sig));
            if (sig > 0) for (;;) ::pause();
        });
        if (sig < 0) {
            EXPECT_TRUE(WIFEXITED(status));
        } else {
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
        }
        const std::vector<std::string> names = Names();
        EXPECT_EQ(names.size(), 10u);
        for (const std::string& name : names) EXPECT_EQ(name.rfind("done", 0), 0u) << name;
    }
}

// A file size limit fails the write instead of ending the program, and
// leaves no temporary file.
TEST_F(FilesTest, FileSizeLimitIsAnError) {
    const int status = InChild([&] {
        std::signal(SIGXFSZ, SIG_DFL);
        files::RemoveTemporaryFilesOnSignals();
        const rlimit small{100, 100};
        ::setrlimit(RLIMIT_FSIZE, &small);
        try {
            files::OutputFile out((dir_ / "out").string());
            out.Write(std::string(1000, 'x'));
        } catch (const files::FileError& e) {
            ::_exit(e.Error() == EFBIG ? 0 : 2);
        }
        ::_exit(3);
    });
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(Names(), std::vector<std::string>{});
}

TEST_F(FilesTest, InputByKindOfPath) {
    using files::InputFile;
    WriteFile(dir_ / "trace", "s 1\nr 2\n");
    fs::create_symlink("trace", dir_ / "link");
    fs::create_directory(dir_ / "folder");
    ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0644), 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, (dir_ / "socket").c_str(), sizeof address.sun_path - 1);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const std::string isDir = files::SystemText(EISDIR), missing = files::SystemText(ENOENT);
    struct Row {
        const char* name;
        InputFile::Accept accept;
        std::string error;  // the reason, or empty when it opens
        std::string bytes;
    };
    const std::vector<Row> rows = {
        {"trace", InputFile::kRegularOnly, "", "s 1\nr 2\n"},
        {"link", InputFile::kRegularOnly, "", "s 1\nr 2\n"},
        {"folder", InputFile::kRegularOnly, isDir, ""},
        {"folder", InputFile::kAnyKind, isDir, ""},
        {"nowhere", InputFile::kAnyKind, missing, ""},
        // Turned down at once, though nobody writes the FIFO.
        {"fifo", InputFile::kRegularOnly, "Not a regular file", ""},
        {"socket", InputFile::kRegularOnly, "Not a regular file", ""},
        {"fifo", InputFile::kAnyKind, "", "streamed"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.name) + (row.accept == InputFile::kAnyKind ? " (any kind)" : ""));
        const fs::path path = dir_ / row.name;
        std::thread writer;
        if (row.accept == InputFile::kAnyKind && fs::is_fifo(path))
            writer = std::thread([&] { WriteFile(path, row.bytes); });
        try {
            InputFile in(path.string(), row.accept);
            EXPECT_EQ(row.error, "");
            EXPECT_EQ(in.Regular(), row.bytes != "streamed");
            std::string got(64, '\0');
            size_t size = 0;
            for (size_t n; (n = in.Read(got.data() + size, got.size() - size)) > 0;) size += n;
            EXPECT_EQ(got.substr(0, size), row.bytes);
        } catch (const files::FileError& e) {
            EXPECT_EQ(e.Reason(), row.error);
            EXPECT_EQ(e.Path(), path.string());
        }
        if (writer.joinable()) writer.join();
    }
    ::close(sock);
}

// A regular file is read up to the size it had when it was opened: what is
// added later is left out, and a file that shrank ends early, both when
// streamed and when read in two halves on threads.
TEST_F(FilesTest, ReadUpToTheSizeAtOpen) {
    std::string bytes;
    for (int i = 0; bytes.size() < (size_t{20} << 20); ++i) bytes += "line " + std::to_string(i) + "\n";
    const fs::path path = dir_ / "big.tr";
    for (const bool threads : {false, true}) {
        for (const size_t size : {bytes.size() + 1000, bytes.size() / 3, size_t{0}}) {
            SCOPED_TRACE(std::to_string(size) + (threads ? " on threads" : " streamed"));
            WriteFile(path, bytes);
            files::InputFile in(path.string(), files::InputFile::kRegularOnly);
            ASSERT_EQ(in.End(), bytes.size());
            if (size > bytes.size()) {
                std::ofstream(path, std::ios::app) << std::string(size - bytes.size(), 'x');
            } else {
                fs::resize_file(path, size);
            }
            std::string got(bytes.size(), '\0');
            size_t have = 0;
            if (threads) {
                files::BackgroundRead reader(in.Fd(), got.data(), static_cast<size_t>(in.End()));
                for (size_t more; (more = reader.AwaitMore(have)) > have;) have = more;
                EXPECT_EQ(reader.Error(), 0);
            } else {
                for (size_t n; (n = in.Read(got.data() + have, got.size() - have)) > 0;) have += n;
                EXPECT_EQ(in.Shrank(), size < bytes.size());
            }
            got.resize(have);
            EXPECT_TRUE(got == bytes.substr(0, std::min(size, bytes.size())));
        }
    }
}

// Names are told apart by the file they reach, also before it exists.
TEST_F(FilesTest, IdentityIsTheFileNotTheSpelling) {
    WriteFile(dir_ / "a", "a");
    WriteFile(dir_ / "b", "a");
    fs::create_hard_link(dir_ / "a", dir_ / "hard");
    fs::create_symlink("a", dir_ / "link");
    fs::create_directory(dir_ / "sub");
    const auto id = [&](const std::string& name) { return files::IdentifyFile((dir_ / name).string()); };
    const std::vector<std::pair<std::string, std::string>> same = {
        {"a", "./a"}, {"a", "hard"}, {"a", "link"}, {"a", "sub/../a"}, {"new", "sub/../new"}, {"new", "./new"}};
    const std::vector<std::pair<std::string, std::string>> different = {
        {"a", "b"}, {"new", "a"}, {"new", "sub/new"}, {"new", "newer"}};
    for (const auto& [x, y] : same) {
        ASSERT_TRUE(id(x) && id(y)) << x << " " << y;
        EXPECT_TRUE(*id(x) == *id(y)) << x << " " << y;
    }
    for (const auto& [x, y] : different) EXPECT_TRUE(*id(x) != *id(y)) << x << " " << y;
    EXPECT_EQ(id("a")->kind, unsigned{S_IFREG});
    EXPECT_EQ(id("sub")->kind, unsigned{S_IFDIR});
    EXPECT_EQ(id("new")->kind, 0u);
    EXPECT_FALSE(id("missing/new"));
    const int fd = ::open((dir_ / "link").c_str(), O_RDONLY);
    EXPECT_TRUE(files::IdentifyFile(fd) == id("a"));
    ::close(fd);
}

}  // namespace
