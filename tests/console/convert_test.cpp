// Runs the built kavro-convert in a scratch folder and checks what a user
// sees: the files it writes, what it prints and its exit status.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
    int status = -1;  // 128 + the signal that ended it
    std::string out;
    std::string err;
    long peakKb = 0;
};

// One run of kavro-convert beyond its arguments.
struct Launch {
    // Writes standard input, which is closed at once when there is none.
    std::function<void(int fd, pid_t pid)> feed;
    // In the child, just before kavro-convert starts: limits, signals, user.
    std::function<void()> child;
    bool closedStdout = false;
};

void WriteAll(int fd, const std::string& bytes) {
    for (size_t at = 0; at < bytes.size();) {
        const ssize_t put = ::write(fd, bytes.data() + at, bytes.size() - at);
        if (put <= 0) return;
        at += static_cast<size_t>(put);
    }
}

// For a child that must not run as root: root may write anything.
void BecomeNobody() {
    if (::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 || ::setresuid(65534, 65534, 65534) != 0))
        ::_exit(126);
}

void Limit(int resource, rlim_t value) {
    const rlimit limit{value, value};
    if (::setrlimit(resource, &limit) != 0) ::_exit(126);
}

// Reads a FIFO until its writer has come and gone, or nothing comes for
// 10 s: a reader that never blocks in open() cannot hang the test.
std::string DrainFifo(const fs::path& fifo) {
    const int fd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
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

// Waits until `done` holds, for up to 20 s.
bool WaitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 20000; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

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
    Result Convert(const std::vector<std::string>& args, const std::function<void(int)>& feed = {}) {
        Launch run;
        if (feed) run.feed = [&](int fd, pid_t) { feed(fd); };
        return Convert(args, run);
    }

    Result Convert(const std::vector<std::string>& args, const Launch& run) {
        const fs::path out = dir_ / ".stdout", err = dir_ / ".stderr";
        int in[2];
        if (::pipe(in) != 0) return {};
        int sink[2] = {-1, -1};
        if (run.closedStdout && ::pipe(sink) != 0) return {};
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::dup2(in[0], 0);
            ::close(in[1]);
            if (run.closedStdout) {
                ::dup2(sink[1], 1);
                ::close(sink[0]);
            } else {
                ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
            }
            ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
            if (::chdir(dir_.c_str()) != 0) ::_exit(127);
            // As from a shell: the test itself ignores SIGPIPE.
            std::signal(SIGPIPE, SIG_DFL);
            if (run.child) run.child();
            std::vector<char*> argv{const_cast<char*>(KAVRO_CONVERT)};
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(KAVRO_CONVERT, argv.data());
            ::_exit(127);
        }
        ::close(in[0]);
        // A converter that stops reading must fail the test, not kill it.
        std::signal(SIGPIPE, SIG_IGN);
        if (run.closedStdout) {
            ::close(sink[1]);
            ::close(sink[0]);  // the reader is gone before the first byte
        }
        if (run.feed) run.feed(in[1], pid);
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
    size_t HiddenFiles(const fs::path& in = {}) const {
        size_t n = 0;
        for (const auto& e : fs::directory_iterator(in.empty() ? dir_ : in)) {
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
    // No event file, no event lines to count.
    std::string without = r.err;
    without.erase(without.find(", 694 event lines"), 17);
    EXPECT_EQ(Convert({"--no-events", "dsr.tr"}).err, without);

    WriteFile(dir_ / "unsent.tr", "r 1.6 _2_ AGT  --- 7 cbr 532 [0 0 0 0] ------- [1:0 2:0 31 2]\n");
    EXPECT_EQ(Convert({"unsent.tr"}).err.rfind("unsent.tr: 0 sent, 0 delivered (n/a), ", 0), 0u);
}

// A time may be any number; its figure is written whole, however many
// digits it takes.
TEST_F(ConvertTest, HugeTimesAreWrittenWhole) {
    for (const double at : {1e190, 1e300, -1e300}) {
        char recv[128];
        std::snprintf(recv, sizeof recv, "r %.17g _2_ AGT  --- 7 cbr 532 [0 0 0 0] ------- [1:0 2:0 31 2]\n", at);
        WriteFile(dir_ / "huge.tr", "s 0 _1_ AGT  --- 7 cbr 512 [0 0 0 0] ------- [1:0 2:0 32 0]\n" + std::string(recv));
        EXPECT_EQ(Convert({"-q", "huge.tr"}).status, 0);
        const std::string err = Convert({"huge.tr"}).err;
        ASSERT_NE(err.find("mean delay "), std::string::npos) << err;
        EXPECT_NEAR(std::strtod(err.c_str() + err.find("mean delay ") + 11, nullptr), at, std::abs(at) * 1e-15) << err;
    }
}

// A wireless trace without agent lines fails as one with agent tracing off,
// whatever else it holds; a file that is no wireless trace of ns-2 fails
// with what it seems to be. Either leaves an existing output as it was and
// gives no rows. One without routing-layer lines converts, with a warning.
TEST_F(ConvertTest, InputThatIsNotWhatItSeemed) {
    const std::string none = "no wireless agent or routing lines";
    const std::string agentsOff = "no agent lines (agent tracing off? -agentTrace ON)";
    std::string macOnly, agentOnly, movesFirst;
    std::istringstream lines(Trace("dsr-10n-40s.tr"));
    for (std::string line; std::getline(lines, line);) {
        if (line.find(" AGT ") != std::string::npos) agentOnly += line + "\n";
        else if (line.find(" RTR ") == std::string::npos) macOnly += line + "\n";
    }
    // As many nodes' first moves as fill the bytes that tell a trace's kind.
    while (movesFirst.size() < (size_t{80} << 10)) movesFirst += "M 0.50000 3 (341.73, 579.02, 0.00), (271.43, 524.37), 3.54\n";
    movesFirst += Trace("aodv-6n-12s-noagent.tr");
    const struct {
        const char* name;
        std::string bytes;
        std::string why;
    } cases[] = {
        {"empty.tr", "", "empty trace"},
        {"kavro.tr", ReadFile(KAVRO_CONVERT), "not a trace (binary data)"},
        {"readme.tr.gz", "# Kavro\n\nKavro reads the text trace that ns-2 writes.\n", none + " (not an ns-2 trace?)"},
        {"wired.tr", Trace("wired-2n-1s.tr"), none + " (a wired ns-2 trace?)"},
        {"wired.nam", Trace("wired-2n-1s.nam"), none + " (a nam trace?)"},
        {"mac.tr", macOnly, agentsOff},
        // ns-2 with -agentTrace OFF -routerTrace ON.
        {"routing.tr", Trace("aodv-6n-12s-noagent.tr"), agentsOff},
        {"moves-first.tr", movesFirst, agentsOff},
    };
    for (const auto& c : cases) {
        WriteFile(dir_ / c.name, c.bytes);
        WriteFile(dir_ / "out", "kept");
        const Result r = Convert({"-o", "out", "--csv", "s.csv", c.name});
        EXPECT_EQ(r.status, 1) << c.name;
        EXPECT_EQ(r.err, "kavro-convert: " + std::string(c.name) + ": " + c.why + "\n");
        EXPECT_EQ(ReadFile(dir_ / "out"), "kept") << c.name;
        const std::string table = ReadFile(dir_ / "s.csv");
        EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 1) << c.name << ": " << table;
    }
    WriteFile(dir_ / "agents.tr", agentOnly);
    const Result r = Convert({"-q", "agents.tr"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "kavro-convert: warning: agents.tr: no routing-layer or MAC receive line, so every path "
                     "shows as one direct link and hops are ns-2's counts (router and MAC tracing off? "
                     "-routerTrace ON or -macTrace ON)\n");
    EXPECT_GT(ReadFile(dir_ / "agents.iNSpect.out").size(), 1000u);
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

// An output that is a trace, whatever it is called, or two outputs that are
// one file, are found before anything is read or written.
TEST_F(ConvertTest, UsageErrorsConvertNothing) {
    const std::string trace = Trace("aodv-10n-40s-b.tr");
    WriteFile(dir_ / "a.tr", trace);
    WriteFile(dir_ / "b.tr", trace);
    fs::create_hard_link(dir_ / "a.tr", dir_ / "hard.tr");
    fs::create_symlink("a.tr", dir_ / "link.tr");
    fs::create_symlink("a.tr", dir_ / "c.iNSpect.out");
    WriteFile(dir_ / "c.tr", trace);
    const auto in = [&](const char* name) {
        return [this, name] { ::dup2(::open((dir_ / name).c_str(), O_RDWR), 0); };
    };
    const auto out = [&](const char* name) {
        return [this, name] { ::dup2(::open((dir_ / name).c_str(), O_WRONLY), 1); };
    };
    const std::vector<std::pair<std::vector<std::string>, std::function<void()>>> wrong = {
        {{}, {}}, {{"-q"}, {}}, {{"-o", "x", "a.tr", "b.tr"}, {}}, {{"-z", "a.tr"}, {}},
        {{"-j", "0", "a.tr"}, {}}, {{"-j", "two", "a.tr"}, {}}, {{"a.tr", "-o"}, {}},
        {{"a.tr", "b.tr", "a.tr"}, {}}, {{"a.tr", "./a.tr"}, {}}, {{"a.tr", "../" + dir_.filename().string() + "/a.tr"}, {}},
        {{"-o", "a.tr", "a.tr"}, {}}, {{"-o", "./hard.tr", "a.tr"}, {}}, {{"-o", "link.tr", "a.tr"}, {}},
        {{"a.tr", "c.tr"}, {}}, {{"-o", "a.tr", "-"}, in("a.tr")},
        {{"-"}, [&] { in("a.tr")(), out("a.tr")(); }}, {{"-o", "-", "a.tr"}, out("hard.tr")},
        {{"-", "a.tr"}, out("a.iNSpect.out")},
        // The tables are outputs like the others.
        {{"--csv", "-", "-o", "-", "a.tr"}, {}}, {{"--csv=-", "-"}, {}}, {{"--flows", "b.tr", "b.tr"}, {}},
        {{"--csv", "x", "--drops", "./x", "a.tr"}, {}}, {{"--nodes", "a.iNSpect.out", "a.tr"}, {}},
        {{"--no-events", "-o", "x", "a.tr"}, {}}, {{"--no-events=1", "a.tr"}, {}}, {{"a.tr", "--csv"}, {}},
        {{"--csv", "x", "--csv", "y", "a.tr"}, {}}, {{"--bogus", "a.tr"}, {}},
        // An empty name, which could only fail at the rename after the trace.
        {{"-o", "", "a.tr"}, {}}, {{"--output=", "a.tr"}, {}}, {{"--csv=", "a.tr"}, {}},
        // A FIFO it would read while it waits to write it, by name or as both
        // standard streams; the alarm ends a wait that would never end.
        {{"-o", "fifo", "fifo"}, [] { ::alarm(10); }}, {{"--no-events", "--drops", "fifo", "fifo"}, [] { ::alarm(10); }},
        {{"-"}, [&] { ::alarm(10), ::dup2(::open((dir_ / "fifo").c_str(), O_RDWR), 0), ::dup2(0, 1); }}};
    ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0644), 0);
    WriteFile(dir_ / "a.iNSpect.out", "earlier output\r\n");
    for (const auto& [args, child] : wrong) {
        Launch run;
        run.child = child;
        const Result r = Convert(args, run);
        EXPECT_EQ(r.status, 2) << testing::PrintToString(args);
        EXPECT_EQ(r.err.rfind("kavro-convert: ", 0), 0u) << r.err;
        EXPECT_EQ(ReadFile(dir_ / "a.tr"), trace);
        EXPECT_EQ(ReadFile(dir_ / "b.tr"), trace);
    }
    EXPECT_EQ(ReadFile(dir_ / "a.iNSpect.out"), "earlier output\r\n");
    EXPECT_EQ(Files(), (std::vector<std::string>{"a.iNSpect.out", "a.tr", "b.tr", "c.iNSpect.out", "c.tr",
                                                 "fifo", "hard.tr", "link.tr"}));
    EXPECT_EQ(Convert({"--csv=x", "--flows=./x", "a.tr"}).err.rfind("kavro-convert: --csv and --flows would both write ./x\n", 0), 0u);
    // A device reads apart from what is written into it: a null device of
    // our own (only root may make one) is an empty trace, not a usage error.
    if (::mknod((dir_ / "null").c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0) {
        EXPECT_EQ(Convert({"-o", "null", "null"}).err, "kavro-convert: null: empty trace\n");
    }
    for (const char* help : {"--help", "-h", "--he"}) EXPECT_EQ(Convert({help}).out.rfind("usage: kavro-convert", 0), 0u);
    EXPECT_EQ(Convert({"--version"}).status, 0);
}

// The study tables of several traces: one header, the rows in the traces'
// order, none for a trace that failed, and any table on standard output.
// The long and bundled forms of the options work as GNU tools' do.
// A study of groups of runs from end to end: series, packets, averages and
// figures in one pass; a trace that fails counts in no group.
TEST_F(ConvertTest, StudyOfGroupsFromEndToEnd) {
    for (const char* name : {"aodv-10n-s1.tr", "aodv-10n-s2.tr", "aodv-20n-s1.tr"})
        WriteFile(dir_ / name, Trace("aodv-10n-30s-e100.tr"));
    WriteFile(dir_ / "aodv-20n-s2.tr", "");
    const Result r = Convert({"-q", "--no-events", "--group=aodv-([0-9]+)n-", "--summary=sum.csv", "--bin=2.5",
                              "--series=s.csv", "--flow-series=fs.csv", "--node-series=ns.csv", "--packets=p.csv",
                              "--plots=figures", "--plot-format=svg", "aodv-10n-s1.tr", "aodv-10n-s2.tr",
                              "aodv-20n-s1.tr", "aodv-20n-s2.tr"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "kavro-convert: aodv-20n-s2.tr: empty trace\n");
    const auto lines = [&](const char* name) {
        std::vector<std::string> out;
        std::istringstream in(ReadFile(dir_ / name));
        for (std::string line; std::getline(in, line);) out.push_back(line);
        return out;
    };
    const std::vector<std::string> summary = lines("sum.csv");
    ASSERT_EQ(summary.size(), 3u);
    EXPECT_EQ(summary[1].substr(0, 5), "10,2,");
    EXPECT_EQ(summary[2].substr(0, 5), "20,1,");
    // Three runs of 30 s in bins of 2.5 s, up to the last bin with an event.
    EXPECT_EQ(lines("s.csv").size(), 1 + 3 * 12u);
    EXPECT_EQ(lines("s.csv")[12].substr(0, 20), "aodv-10n-s1.tr,27.5,");
    EXPECT_EQ(lines("ns.csv").size() % 12, 1u);
    EXPECT_EQ(lines("p.csv")[0], "trace,packet,type,source,destination,send_time,receive_time,delay,hops,size");
    EXPECT_GT(lines("fs.csv").size(), 12u);
    for (const char* figure : {"figures/study-pdr.svg", "figures/aodv-10n-s1.svg", "figures/aodv-20n-s1.gp"})
        EXPECT_GT(fs::file_size(dir_ / figure), 100u) << figure;
    EXPECT_FALSE(fs::exists(dir_ / "figures/aodv-20n-s2.gp"));
}

// gnuplot starts with no signal held and SIGXFSZ as it should be, whatever
// kavro-convert holds for its own temporary files.
TEST_F(ConvertTest, GnuplotGetsTheSignalsAsAnyProgram) {
    fs::create_directories(dir_ / "bin");
    WriteFile(dir_ / "bin/gnuplot",
              "#!/bin/sh\ngrep -E '^Sig(Blk|Ign)' /proc/self/status > signals\nexec /usr/bin/gnuplot \"$@\"\n");
    fs::permissions(dir_ / "bin/gnuplot", fs::perms::owner_all);
    WriteFile(dir_ / "a.tr", Trace("aodv-20n-4s.tr"));
    Launch run;
    const std::string path = (dir_ / "bin").string() + ":/usr/bin:/bin";
    if (!fs::exists("/usr/bin/gnuplot")) GTEST_SKIP() << "no gnuplot";
    run.child = [&] { ::setenv("PATH", path.c_str(), 1); };
    EXPECT_EQ(Convert({"-q", "--no-events", "--plots=figures", "a.tr"}, run).status, 0);
    const std::string signals = ReadFile(dir_ / "figures/signals");
    EXPECT_NE(signals.find("SigBlk:\t0000000000000000\n"), std::string::npos) << signals;
    // SIGXFSZ is the 25th signal: bit 24 of the ignored ones.
    const size_t ignored = signals.find("SigIgn:\t");
    ASSERT_NE(ignored, std::string::npos) << signals;
    EXPECT_EQ(std::stoull(signals.substr(ignored + 8, 16), nullptr, 16) & (1ull << 24), 0u) << signals;
}

TEST_F(ConvertTest, StudyTablesInTheTracesOrder) {
    WriteFile(dir_ / "a.tr", Trace("aodv-10n-30s-e100.tr"));
    WriteFile(dir_ / "bad.tr", "");
    WriteFile(dir_ / "c.tr.gz", Gzip(Trace("aodv-10n-30s-e100-tagged.tr")));
    const Result r = Convert({"-qj2", "--no-events", "--csv=study.csv", "--flows", "flows.csv", "--nodes=nodes.csv",
                              "--drops", "-", "a.tr", "bad.tr", "c.tr.gz"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "kavro-convert: bad.tr: empty trace\n");
    const auto rows = [](const std::string& text) {
        std::vector<std::string> out;
        std::istringstream in(text);
        for (std::string row; std::getline(in, row);) out.push_back(row.substr(0, row.find(',', row.find(',') + 1)));
        return out;
    };
    EXPECT_EQ(rows(ReadFile(dir_ / "study.csv")), (std::vector<std::string>{"trace,format", "a.tr,old", "c.tr.gz,tagged"}));
    const std::vector<std::string> flows = rows(ReadFile(dir_ / "flows.csv"));
    ASSERT_EQ(flows.size(), 9u);
    EXPECT_EQ(flows[0], "trace,source");
    EXPECT_EQ(flows[4], "a.tr,0.0");
    EXPECT_EQ(flows[5], "c.tr.gz,3.0");
    EXPECT_EQ(rows(ReadFile(dir_ / "nodes.csv")).size(), 21u);
    EXPECT_EQ(rows(r.out), (std::vector<std::string>{"trace,layer", "a.tr,MAC", "a.tr,RTR", "c.tr.gz,MAC",
                                                     "c.tr.gz,RTR"}));
    EXPECT_EQ(Files(), (std::vector<std::string>{"a.tr", "bad.tr", "c.tr.gz", "flows.csv", "nodes.csv", "study.csv"}));

    // With event files too, and the long forms.
    const Result both = Convert({"--quiet", "--jobs=1", "--output", "a.out", "--csv", "one.csv", "a.tr"});
    EXPECT_EQ(both.status, 0) << both.err;
    EXPECT_EQ(ReadFile(dir_ / "a.out"), Convert({"-q", "-o", "-", "a.tr"}).out);
    EXPECT_EQ(ReadFile(dir_ / "one.csv"), ReadFile(dir_ / "study.csv").substr(0, ReadFile(dir_ / "one.csv").size()));

    // A table that cannot be written fails the run, with the traces still
    // being converted on other threads, and leaves nothing half-written.
    Launch run;
    run.child = [] {
        std::signal(SIGXFSZ, SIG_DFL);
        Limit(RLIMIT_FSIZE, 300);
    };
    const Result full = Convert({"-qj2", "--no-events", "--flows", "full.csv", "a.tr", "c.tr.gz", "a.tr"}, run);
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.err, "kavro-convert: full.csv: File too large\n");
    EXPECT_FALSE(fs::exists(dir_ / "full.csv"));
    EXPECT_EQ(HiddenFiles(), 0u);
}

// What -o does with each kind of path. A regular file is replaced through
// a temporary file; anything else is written into, and stays what it was.
TEST_F(ConvertTest, OutputByKindOfPath) {
    WriteFile(dir_ / "a.tr", Trace("aodv-10n-40s-b.tr"));
    const std::string want = Convert({"-q", "-o", "-", "a.tr"}).out;
    ASSERT_GT(want.size(), 1000u);
    fs::permissions(dir_, fs::perms::all);  // for the unprivileged rows
    const auto kind = [](const fs::path& p) { return fs::symlink_status(p).type(); };
    std::string fromFifo;
    std::thread reader;
    const auto readFifo = [&](const fs::path& fifo) {
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
        reader = std::thread([&, fifo] { fromFifo = DrainFifo(fifo); });
    };
    struct Row {
        const char* name;
        std::function<void()> make;  // makes out.x, and whatever it names
        std::function<void()> check;
        const char* error;  // the message, after "kavro-convert: a.tr: out.x: "
        bool nobody = false;
    };
    const std::vector<Row> rows = {
        {"missing path", [] {}, [&] { EXPECT_EQ(ReadFile(dir_ / "out.x"), want); }, nullptr},
        {"link to a file",
         [&] {
             WriteFile(dir_ / "file", "old");
             fs::permissions(dir_ / "file", fs::perms(0640));
             fs::create_symlink("file", dir_ / "out.x");
         },
         [&] {
             EXPECT_EQ(kind(dir_ / "out.x"), fs::file_type::symlink);
             EXPECT_EQ(ReadFile(dir_ / "file"), want);
             EXPECT_EQ(fs::status(dir_ / "file").permissions(), fs::perms(0640));
         },
         nullptr},
        {"dangling link", [&] { fs::create_symlink("nowhere", dir_ / "out.x"); },
         [&] { EXPECT_FALSE(fs::exists(dir_ / "nowhere")); }, "No such file or directory"},
        {"folder", [&] { fs::create_directory(dir_ / "out.x"); },
         [&] { EXPECT_EQ(kind(dir_ / "out.x"), fs::file_type::directory); }, "Is a directory"},
        {"FIFO with a reader", [&] { readFifo(dir_ / "out.x"); },
         [&] {
             reader.join();
             EXPECT_EQ(fromFifo, want);
             EXPECT_EQ(kind(dir_ / "out.x"), fs::file_type::fifo);
         },
         nullptr},
        {"link to a FIFO",
         [&] {
             readFifo(dir_ / "fifo");
             fs::create_symlink("fifo", dir_ / "out.x");
         },
         [&] {
             reader.join();
             EXPECT_EQ(fromFifo, want);
             EXPECT_EQ(kind(dir_ / "fifo"), fs::file_type::fifo);
         },
         nullptr},
        {"read-only file",
         [&] {
             WriteFile(dir_ / "out.x", "old");
             fs::permissions(dir_ / "out.x", fs::perms(0444));
         },
         [&] { EXPECT_EQ(ReadFile(dir_ / "out.x"), "old"); }, "Permission denied", true},
        {"device node",
         [&] {
             // A null device of our own; only root may make one.
             if (::mknod((dir_ / "out.x").c_str(), S_IFCHR | 0666, ::makedev(1, 3)) != 0)
                 GTEST_SKIP() << "mknod: " << std::strerror(errno);
         },
         [&] { EXPECT_EQ(kind(dir_ / "out.x"), fs::file_type::character); }, nullptr},
        {"another user's file",
         [&] {
             if (::geteuid() != 0) GTEST_SKIP() << "needs a second user";
             WriteFile(dir_ / "out.x", "old");
         },
         [&] { EXPECT_EQ(ReadFile(dir_ / "out.x"), "old"); }, "Permission denied", true},
    };
    // Rows that this machine cannot make come last: a skip ends the test.
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (const char* name : {"out.x", "file", "fifo", "nowhere"}) fs::remove_all(dir_ / name);
        row.make();
        if (testing::Test::IsSkipped()) return;
        Launch run;
        if (row.nobody) run.child = BecomeNobody;
        const Result r = Convert({"-q", "-o", "out.x", "a.tr"}, run);
        EXPECT_EQ(r.status, row.error ? 1 : 0);
        EXPECT_EQ(r.err, row.error ? std::string("kavro-convert: a.tr: out.x: ") + row.error + "\n" : "");
        row.check();
        EXPECT_EQ(HiddenFiles(), 0u);
    }
}

// An output whose name or path is as long as the system allows is made and
// replaced like any other, though its temporary name cannot be longer.
TEST_F(ConvertTest, LongestOutputNames) {
    WriteFile(dir_ / "a.tr", Trace("aodv-20n-4s.tr"));
    std::string deep = dir_.string();
    for (char c = 'a'; PATH_MAX - deep.size() > 257; ++c) fs::create_directory(deep += "/" + std::string(200, c));
    for (const fs::path& out : {dir_ / std::string(NAME_MAX, 'n'), fs::path(deep) / std::string(PATH_MAX - 2 - deep.size(), 'n'),
                                fs::path(deep) / std::string(PATH_MAX - 8 - deep.size(), 'n')})
        for (int run = 0; run < 2; ++run) {  // made, then replaced
            EXPECT_EQ(Convert({"-q", "-o", out.string(), "a.tr"}).status, 0) << out.string().size();
            EXPECT_GT(fs::file_size(out), 1000u);
            EXPECT_EQ(HiddenFiles(out.parent_path()), 0u);
        }
}

// A reader gone from standard output ends the program quietly, as it ends
// cat; where SIGPIPE is ignored the trace fails without a word.
TEST_F(ConvertTest, ClosedPipeStopsQuietly) {
    WriteFile(dir_ / "a.tr", Trace("aodv-10n-40s-b.tr"));
    for (const bool ignored : {false, true}) {
        Launch run;
        run.closedStdout = true;
        if (ignored) run.child = [] { std::signal(SIGPIPE, SIG_IGN); };
        const Result r = Convert({"-o", "-", "a.tr"}, run);
        EXPECT_EQ(r.status, ignored ? 1 : 128 + SIGPIPE);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(HiddenFiles(), 0u);
    }
}

// Standard output or error closed at start takes none of the outputs'
// descriptors: the table holds its rows alone.
TEST_F(ConvertTest, ClosedStandardStreamsStayOutOfTheOutputs) {
    WriteFile(dir_ / "a.tr", Trace("aodv-20n-4s.tr"));
    const std::vector<std::string> args = {"--csv", "s.csv", "-o", "-", "a.tr"};
    ASSERT_EQ(Convert(args).status, 0);
    const std::string want = ReadFile(dir_ / "s.csv");
    for (const int fd : {1, 2}) {
        fs::remove(dir_ / "s.csv");
        Launch run;
        run.child = [fd] { ::close(fd); };
        EXPECT_EQ(Convert(args, run).status, 0) << fd;
        EXPECT_EQ(ReadFile(dir_ / "s.csv"), want) << fd;
    }
}

// A signal that ends the program leaves no temporary file behind; one that
// was ignored when it started stays ignored.
TEST_F(ConvertTest, SignalsLeaveNoTemporaryFile) {
    const std::string trace = Trace("aodv-10n-40s-b.tr");
    for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, -SIGUSR1}) {
        SCOPED_TRACE(sig);
        Launch run;
        run.child = [sig] {
            Limit(RLIMIT_CORE, 0);
            if (sig < 0) std::signal(-sig, SIG_IGN);
        };
        run.feed = [&](int fd, pid_t pid) {
            WriteAll(fd, trace.substr(0, trace.size() / 2));
            ASSERT_TRUE(WaitFor([&] { return HiddenFiles() > 0; }));
            ::kill(pid, std::abs(sig));
            if (sig < 0) WriteAll(fd, trace.substr(trace.size() / 2));
        };
        const Result r = Convert({"-q", "-o", "out", "-"}, run);
        EXPECT_EQ(r.status, sig < 0 ? 0 : 128 + sig);
        EXPECT_EQ(HiddenFiles(), 0u);
        EXPECT_EQ(fs::exists(dir_ / "out"), sig < 0);
    }
}

// A signal that comes before standard input ends leaves the output as it
// was, however soon the end follows: Ctrl-C also stops the program that
// writes the trace. The first thread is kept waiting behind a busy one on
// its core, as a loaded machine may keep any thread, while the others go on.
TEST_F(ConvertTest, SignalBeforeTheEndOfInputKeepsTheOutput) {
    const std::string half = Trace("aodv-10n-40s-b.tr").substr(0, 400000);
    cpu_set_t first;
    CPU_ZERO(&first);
    CPU_SET(0, &first);
    for (int round = 0; round < 20; ++round) {
        WriteFile(dir_ / "out", "kept");
        std::atomic<bool> busy{true};
        std::thread hog([&] {
            ::sched_setaffinity(0, sizeof first, &first);
            while (busy) {
            }
        });
        Launch run;
        run.feed = [&](int fd, pid_t pid) {
            WriteAll(fd, half);
            ASSERT_TRUE(WaitFor([&] { return HiddenFiles() > 0; }));
            const sched_param none{};
            ::sched_setaffinity(pid, sizeof first, &first), ::sched_setscheduler(pid, SCHED_IDLE, &none);
            ::kill(pid, SIGTERM);
        };
        const Result r = Convert({"-q", "-o", "out", "-"}, run);
        busy = false;
        hog.join();
        EXPECT_EQ(r.status, 128 + SIGTERM);
        ASSERT_TRUE(ReadFile(dir_ / "out") == "kept") << "replaced in round " << round;
    }
}

// However many threads are making and renaming files when a signal comes,
// no temporary file outlives it.
TEST_F(ConvertTest, SignalsAmidManyOutputsLeaveNoTemporaryFile) {
    std::vector<std::string> args = {"-q", "-j1", "--csv", "study.csv"};
    for (int i = 0; i < 80; ++i) WriteFile(dir_ / args.emplace_back("t" + std::to_string(i) + ".tr"), Trace("aodv-20n-4s.tr"));
    const int signals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGUSR1, SIGALRM};
    for (int round = 0; round < 36; ++round) {
        const int sig = signals[round % 6];
        args[1] = round % 3 ? "-j4" : "-j1";
        fs::remove(dir_ / "t0.iNSpect.out");
        Launch run;
        // Once the first is in place, files are being made and renamed on every thread.
        run.feed = [&](int, pid_t pid) { WaitFor([&] { return fs::exists(dir_ / "t0.iNSpect.out"); }), ::kill(pid, sig); };
        EXPECT_EQ(Convert(args, run).status, 128 + sig);
        ASSERT_EQ(HiddenFiles(), 0u) << args[1] << ", signal " << sig;
    }
}

// Limits of the system become one trace's failure, and the other traces
// go on: a file size limit, no thread to be had, no memory.
TEST_F(ConvertTest, LimitsFailOneTraceWithOneLine) {
    const std::string trace = Trace("aodv-10n-40s-b.tr");
    WriteFile(dir_ / "a.tr", trace);
    WriteFile(dir_ / "b.tr", trace);
    const std::string want = Convert({"-q", "-o", "-", "a.tr"}).out;
    std::string big;
    for (int i = 0; big.size() < (size_t{12} << 20); ++i) {
        const std::string id = std::to_string(i);
        big += "s 1." + id + " _1_ AGT  --- " + id + " cbr 512 [0 0 0 0] ------- [1:0 2:0 32 0]\n";
        big += "f 1." + id + " _3_ RTR  --- " + id + " cbr 532 [0 0 0 0] ------- [1:0 2:0 31 2]\n";
    }
    WriteFile(dir_ / "big.tr", big);
    struct Row {
        const char* name;
        std::vector<std::string> args;
        std::function<void()> limit;
        std::string err;
    };
    const std::vector<Row> rows = {
        {"file size",
         {"-q", "b.tr", "a.tr"},
         [] {
             std::signal(SIGXFSZ, SIG_DFL);
             Limit(RLIMIT_FSIZE, 1000);
         },
         "kavro-convert: b.tr: b.iNSpect.out: File too large\nkavro-convert: a.tr: a.iNSpect.out: File too large\n"},
        // Every thread's stack is then larger than the address space.
        {"threads",
         {"-q", "-j", "4", "a.tr", "-"},
         [] {
             Limit(RLIMIT_STACK, rlim_t{8} << 30);
             Limit(RLIMIT_AS, rlim_t{1} << 30);
         },
         "kavro-convert: standard input: cannot start a thread: Resource temporarily unavailable\n"},
        {"memory", {"-q", "-j", "1", "big.tr", "a.tr"}, [] { Limit(RLIMIT_AS, rlim_t{48} << 20); },
         "kavro-convert: big.tr: Out of memory\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
#ifdef __SANITIZE_ADDRESS__
        // The sanitizer's shadow memory cannot live under an address space limit.
        if (row.name != std::string("file size")) continue;
#endif
        fs::remove(dir_ / "a.iNSpect.out");
        Launch run;
        run.child = row.limit;
        run.feed = [&](int fd, pid_t) { WriteAll(fd, trace); };
        const Result r = Convert(row.args, run);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, row.err);
        EXPECT_EQ(ReadFile(dir_ / "a.iNSpect.out"), row.args[1] == "b.tr" ? "<missing>" : want);
        EXPECT_EQ(HiddenFiles(), 0u);
    }
}

// On a terminal a large trace shows how far it is read; a rate, and the
// time left by it, only once a second's work has measured one.
TEST_F(ConvertTest, ProgressShowsNoRateBeforeASecond) {
    std::string big;
    while (big.size() < (size_t{70} << 20)) big += "s 1.0 _1_ MAC  --- 0 cbr 532 [0 0 0 0] ------- [1:0 2:0 31 2]\n";
    WriteFile(dir_ / "big.tr", big);
    const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_TRUE(terminal >= 0 && ::grantpt(terminal) == 0 && ::unlockpt(terminal) == 0);
    // Open before the fork, so that the terminal has its other side from the start.
    const int side = ::open(::ptsname(terminal), O_RDWR | O_NOCTTY | O_CLOEXEC);
    Launch run;
    run.child = [&] { ::dup2(side, 2); };
    std::string shown;
    run.feed = [&](int, pid_t) {
        ::close(side);
        char buffer[4096];
        for (ssize_t got; (got = ::read(terminal, buffer, sizeof buffer)) > 0;) shown.append(buffer, got);
    };
    Convert({"-j1", "big.tr"}, run);
    ::close(terminal);
    const size_t first = shown.find("\rbig.tr: ");
    ASSERT_NE(first, std::string::npos) << shown;
    EXPECT_EQ(shown.substr(first, shown.find('\r', first + 1) - first).find("left"), std::string::npos) << shown;
}

// A plain trace that shrinks after it was opened fails, whether it is read
// in pieces on two threads or streamed on one. The output is a FIFO that
// nobody reads yet, so kavro-convert waits with the trace open while it
// shrinks.
TEST_F(ConvertTest, TraceThatShrinksWhileReadFails) {
    const std::string trace = Trace("aodv-10n-40s-b.tr");
    ASSERT_EQ(::mkfifo((dir_ / "out").c_str(), 0644), 0);
    for (const char* jobs : {"1", "2"}) {
        SCOPED_TRACE(jobs);
        WriteFile(dir_ / "a.tr", trace);
        Launch run;
        run.feed = [&](int, pid_t pid) {
            const fs::path proc = "/proc/" + std::to_string(pid);
            // Open, and blocked opening the FIFO.
            const auto waiting = [&] {
                bool open = false, blocked = false;
                std::error_code ec;
                for (const auto& fd : fs::directory_iterator(proc / "fd", ec))
                    open = open || fs::read_symlink(fd, ec) == dir_ / "a.tr";
                for (const auto& task : fs::directory_iterator(proc / "task", ec)) {
                    long call = -1;
                    std::ifstream(task.path() / "syscall") >> call;
                    blocked = blocked || call == SYS_openat;
                }
                return open && blocked;
            };
            ASSERT_TRUE(WaitFor(waiting));
            fs::resize_file(dir_ / "a.tr", trace.size() / 2);
            ReadFile(dir_ / "out");
        };
        const Result r = Convert({"-q", "-j", jobs, "-o", "out", "a.tr"}, run);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "kavro-convert: a.tr: trace changed while it was read\n");
    }
}

// Input without line ends, as from a device, must cost time, not memory.
// Input without line ends never fills memory: a line that no rule can
// read is not kept, and one that may be read fails the trace at 1 MiB.
TEST_F(ConvertTest, EndlessLineDoesNotFillMemory) {
    const struct {
        std::string start;
        char fill;
        std::string why;
    } cases[] = {
        {"", '\0', "standard input: not a trace (binary data)"},
        {"s 1.0 _1_ AGT  --- ", 'x', "standard input: a line longer than 1 MiB (not a trace?)"},
    };
    for (const auto& c : cases) {
        const std::string chunk = c.start + std::string((1 << 20) - c.start.size(), c.fill);
        const Result r = Convert({"-q", "-"}, [&](int fd) {
            for (int mb = 0; mb < 512; ++mb)
                for (size_t at = mb ? c.start.size() : 0; at < chunk.size();) {
                    const ssize_t put = ::write(fd, chunk.data() + at, chunk.size() - at);
                    if (put <= 0) return;
                    at += static_cast<size_t>(put);
                }
        });
        EXPECT_EQ(r.status, 1) << c.why;
        EXPECT_EQ(r.err, "kavro-convert: " + c.why + "\n");
        EXPECT_EQ(r.out, "");
        EXPECT_LT(r.peakKb, 128 * 1024);
    }
    // A small gzip file that inflates to one long line.
    WriteFile(dir_ / "long.tr.gz", Gzip("s 1.0 _1_ AGT  --- " + std::string(8 << 20, 'x') + "\n"));
    const Result r = Convert({"-q", "long.tr.gz"});
    EXPECT_EQ(r.err, "kavro-convert: long.tr.gz: a line longer than 1 MiB (not a trace?)\n");
    EXPECT_LT(r.peakKb, 128 * 1024);
    EXPECT_FALSE(fs::exists(dir_ / "long.iNSpect.out"));
}

}  // namespace
