// Runs the built kavro-convert in a scratch folder and checks what a user
// sees: the files it writes, what it prints and its exit status.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "<missing>";
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Gzip(const std::string& bytes) {
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, bytes.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    z.avail_in = static_cast<uInt>(bytes.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

std::string Trace(const char* name) { return ReadFile(fs::path(KAVRO_TEST_DATA) / name); }

struct Result {
    int status = -1;
    std::string out;
    std::string err;
    long peakKb = 0;
};

class ConvertTest : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("kavro-convert-test-" + std::to_string(::getpid()) + "-" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs kavro-convert in the scratch folder. `feed` writes standard input
    // (closed at once when empty).
    Result Convert(const std::vector<std::string>& args, const std::function<void(int)>& feed = {},
                   bool closedStdout = false) {
        const fs::path out = dir_ / ".stdout", err = dir_ / ".stderr";
        int in[2];
        if (::pipe(in) != 0) return {};
        int sink[2] = {-1, -1};
        if (closedStdout && ::pipe(sink) != 0) return {};
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::dup2(in[0], 0);
            ::close(in[1]);
            if (closedStdout) {
                ::dup2(sink[1], 1);
                ::close(sink[0]);
            } else {
                ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
            }
            ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
            if (::chdir(dir_.c_str()) != 0) ::_exit(127);
            std::vector<char*> argv{const_cast<char*>(KAVRO_CONVERT)};
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(KAVRO_CONVERT, argv.data());
            ::_exit(127);
        }
        ::close(in[0]);
        // A converter that stops reading must fail the test, not kill it.
        std::signal(SIGPIPE, SIG_IGN);
        if (closedStdout) {
            ::close(sink[1]);
            ::close(sink[0]);  // the reader is gone before the first byte
        }
        if (feed) feed(in[1]);
        ::close(in[1]);
        int status = 0;
        rusage usage{};
        ::wait4(pid, &status, 0, &usage);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), ReadFile(out),
                ReadFile(err), usage.ru_maxrss};
    }

    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_))
            if (e.path().filename().string()[0] != '.' || e.path().filename() == ".tmp")
                names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // Temporary outputs are hidden files next to the target.
    size_t HiddenFiles() const {
        size_t n = 0;
        for (const auto& e : fs::directory_iterator(dir_)) {
            const std::string name = e.path().filename().string();
            n += name[0] == '.' && name != ".stdout" && name != ".stderr";
        }
        return n;
    }

    fs::path dir_;
};

// The old- and new-format traces are one ns-2 run, so every way in must give
// the same bytes.
TEST_F(ConvertTest, PlainGzipBatchNamingOutputOptionAndStandardStreams) {
    WriteFile(dir_ / "old.tr", Trace("aodv-10n-40s-b.tr"));
    WriteFile(dir_ / "new.tr.gz", Gzip(Trace("aodv-10n-40s-b-new.tr")));
    WriteFile(dir_ / "trace", Trace("aodv-10n-40s-b.tr"));
    fs::create_directories(dir_ / "runs");
    WriteFile(dir_ / "runs" / "gz-named-plain.gz", Trace("aodv-10n-40s-b.tr"));

    const Result batch = Convert({"-j", "2", "old.tr", "new.tr.gz", "trace", "runs/gz-named-plain.gz"});
    EXPECT_EQ(batch.status, 0) << batch.err;
    const std::string want = ReadFile(dir_ / "old.iNSpect.out");
    EXPECT_GT(want.size(), 1000u);
    EXPECT_EQ(ReadFile(dir_ / "new.iNSpect.out"), want);
    EXPECT_EQ(ReadFile(dir_ / "trace.iNSpect.out"), want);
    EXPECT_EQ(ReadFile(dir_ / "runs" / "gz-named-plain.iNSpect.out"), want);
    EXPECT_EQ(std::count(batch.err.begin(), batch.err.end(), '\n'), 4) << batch.err;
    EXPECT_EQ(batch.err.rfind("old.tr: ", 0), 0u) << "summaries come in the traces' order";

    const Result named = Convert({"-q", "-o", "named.out", "new.tr.gz"});
    EXPECT_EQ(named.status, 0);
    EXPECT_EQ(named.err, "");
    EXPECT_EQ(ReadFile(dir_ / "named.out"), want);

    EXPECT_EQ(Convert({"-q", "-o", "-", "old.tr"}).out, want);
    const std::string gz = Gzip(Trace("aodv-10n-40s-b-new.tr"));
    const Result piped = Convert({"-q", "-"}, [&](int fd) {
        for (size_t at = 0; at < gz.size();) at += std::max<ssize_t>(0, ::write(fd, gz.data() + at, gz.size() - at));
    });
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(piped.out, want);
    EXPECT_EQ(HiddenFiles(), 0u);
}

// With two cores a plain file is read and cut in pieces on two threads, and
// a pipe is read ahead; with one, both are read on one thread. Several
// pieces' worth, with lines across every piece boundary, must give the same
// bytes every way.
TEST_F(ConvertTest, PlainFileInPiecesAndPipeAgree) {
    // Every line matches a rule, so a line lost at a boundary shows.
    std::string text;
    for (int i = 0; text.size() < (size_t{7} << 20); ++i) {
        const std::string id = std::to_string(i);
        text += "s 1." + id + " _1_ AGT  --- " + id + " cbr 512 [0 0 0 0] ------- [1:0 2:0 32 0]\n";
        text += "r 2." + id + " _2_ AGT  --- " + id + " cbr 532 [0 0 0 0] ------- [1:0 2:0 31 2]\r\n";
    }
    WriteFile(dir_ / "big.tr", text);
    const auto feed = [&](int fd) {
        for (size_t at = 0; at < text.size();) {
            const ssize_t put = ::write(fd, text.data() + at, text.size() - at);
            if (put <= 0) return;
            at += static_cast<size_t>(put);
        }
    };
    const Result file = Convert({"-q", "-j", "2", "-o", "-", "big.tr"});
    EXPECT_EQ(file.status, 0);
    EXPECT_GT(file.out.size(), 100000u);
    EXPECT_TRUE(file.out == Convert({"-q", "-j", "1", "-o", "-", "big.tr"}).out);
    EXPECT_TRUE(file.out == Convert({"-q", "-j", "2", "-"}, feed).out);
    EXPECT_TRUE(file.out == Convert({"-q", "-j", "1", "-"}, feed).out);
}

// The figures of a 40 s DSR run, worked out from its own agent lines.
TEST_F(ConvertTest, SummaryMatchesTheTrace) {
    const std::string text = Trace("dsr-10n-40s.tr");
    std::map<std::string, double> sent, received;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        char kind;
        double time;
        char node[32], layer[8], id[32];
        if (std::sscanf(line.c_str(), "%c %lf %31s %7s --- %31s", &kind, &time, node, layer, id) != 5 ||
            std::string(layer) != "AGT")
            continue;
        if (kind == 's') sent.emplace(id, time);
        if (kind == 'r' && sent.count(id)) received[id] = time;
    }
    double delay = 0;
    for (const auto& [id, at] : received) delay += at - sent[id];
    char want[128];
    std::snprintf(want, sizeof want, "mean delay %.6f s", delay / received.size());

    WriteFile(dir_ / "dsr.tr", text);
    const Result r = Convert({"dsr.tr"});
    EXPECT_EQ(r.status, 0);
    // 118 packets went direct, 110 through one relay and 3 through two.
    EXPECT_EQ(r.err.substr(0, r.err.find(", mean delay")),
              "dsr.tr: " + std::to_string(sent.size()) + " sent, " + std::to_string(received.size()) +
                  " delivered (39.2%), 694 event lines");
    EXPECT_NE(r.err.find(want), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("mean hops 1.50\n"), std::string::npos) << r.err;
}

TEST_F(ConvertTest, FailuresAreReportedAndLeaveOutputsAsTheyWere) {
    const std::string trace = Trace("aodv-10n-40s-b.tr");
    const std::string gz = Gzip(trace);
    WriteFile(dir_ / "good.tr", trace);
    WriteFile(dir_ / "cut.tr.gz", gz.substr(0, gz.size() / 2));
    WriteFile(dir_ / "cut.iNSpect.out", "earlier output\r\n");
    std::string bent = gz;
    bent[gz.size() / 2] ^= 0x55;
    bent[gz.size() / 2 + 1] ^= 0x55;
    WriteFile(dir_ / "bent.tr.gz", bent);
    WriteFile(dir_ / "tail.tr.gz", gz + "junk");
    fs::create_directories(dir_ / "folder.tr");

    const Result r = Convert({"-q", "missing.tr", "good.tr", "cut.tr.gz", "bent.tr.gz", "tail.tr.gz", "folder.tr"});
    EXPECT_EQ(r.status, 1);
    std::istringstream err(r.err);
    std::vector<std::string> lines;
    for (std::string l; std::getline(err, l);) lines.push_back(l);
    ASSERT_EQ(lines.size(), 5u) << r.err;
    EXPECT_EQ(lines[0], "kavro-convert: missing.tr: No such file or directory");
    EXPECT_EQ(lines[1], "kavro-convert: cut.tr.gz: gzip data cut short");
    EXPECT_EQ(lines[2].rfind("kavro-convert: bent.tr.gz: corrupt gzip data", 0), 0u) << lines[2];
    EXPECT_EQ(lines[3], "kavro-convert: tail.tr.gz: trailing garbage after gzip data");
    EXPECT_EQ(lines[4], "kavro-convert: folder.tr: Is a directory");
    EXPECT_EQ(ReadFile(dir_ / "cut.iNSpect.out"), "earlier output\r\n");
    EXPECT_GT(ReadFile(dir_ / "good.iNSpect.out").size(), 1000u);
    EXPECT_EQ(Files(), (std::vector<std::string>{"bent.tr.gz", "cut.iNSpect.out", "cut.tr.gz",
                                                 "folder.tr", "good.iNSpect.out", "good.tr",
                                                 "tail.tr.gz"}));
    EXPECT_EQ(HiddenFiles(), 0u);
}

TEST_F(ConvertTest, UsageErrorsConvertNothing) {
    WriteFile(dir_ / "a.tr", Trace("aodv-10n-40s-b.tr"));
    WriteFile(dir_ / "b.tr", Trace("aodv-10n-40s-b.tr"));
    const std::vector<std::vector<std::string>> wrong = {
        {}, {"-q"}, {"-o", "x", "a.tr", "b.tr"}, {"-z", "a.tr"}, {"-j", "0", "a.tr"},
        {"-j", "two", "a.tr"}, {"a.tr", "-o"}, {"a.tr", "b.tr", "a.tr"}};
    for (const auto& args : wrong) {
        const Result r = Convert(args);
        EXPECT_EQ(r.status, 2) << testing::PrintToString(args);
        EXPECT_EQ(r.err.rfind("kavro-convert: ", 0), 0u) << r.err;
    }
    EXPECT_EQ(Files(), (std::vector<std::string>{"a.tr", "b.tr"}));
    EXPECT_EQ(Convert({"--help"}).out.rfind("usage: kavro-convert", 0), 0u);
    EXPECT_EQ(Convert({"--version"}).status, 0);
}

TEST_F(ConvertTest, ClosedStandardOutputFailsWithOneLine) {
    WriteFile(dir_ / "a.tr", Trace("aodv-10n-40s-b.tr"));
    const Result r = Convert({"-q", "-o", "-", "a.tr"}, {}, true);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "kavro-convert: a.tr: standard output: Broken pipe\n");
}

// Input without line ends, as from a device, must cost time, not memory.
TEST_F(ConvertTest, EndlessLineDoesNotFillMemory) {
    const std::string zeros(1 << 20, '\0');
    const Result r = Convert({"-q", "-"}, [&](int fd) {
        for (int mb = 0; mb < 512; ++mb)
            for (size_t at = 0; at < zeros.size();) {
                const ssize_t put = ::write(fd, zeros.data() + at, zeros.size() - at);
                if (put <= 0) return;
                at += static_cast<size_t>(put);
            }
    });
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_LT(r.peakKb, 128 * 1024);
}

}  // namespace
