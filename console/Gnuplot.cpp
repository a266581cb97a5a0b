#include "console/Gnuplot.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "console/Failure.h"

namespace kavro::console {

namespace {

// Printed after each script, so that a failure tells which script it was.
const std::string kDone = "kavro-convert: script done";

struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

// gnuplot's message on a script: from its last line that names the script
// (without the name) to the end, or else its last line, as one line.
std::string Message(const std::string& text, const std::string& script) {
    const std::string named = '"' + script + "\" ";
    size_t from = text.rfind(named + "line ");
    if (from != std::string::npos) {
        from += named.size();
    } else {
        const size_t end = text.find_last_not_of("\r\n\t ");
        // npos + 1 is 0: the first line.
        from = end == std::string::npos ? text.size() : text.find_last_of('\n', end) + 1;
    }
    std::string message;
    for (size_t at = from; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (!line.empty()) message += (message.empty() ? "" : "; ") + line;
        at = end + 1;
    }
    return message;
}

}  // namespace

std::string FindGnuplot() {
    std::string path;
    if (const char* env = std::getenv("PATH")) {
        path = env;
    } else {
        path.resize(::confstr(_CS_PATH, nullptr, 0));
        ::confstr(_CS_PATH, path.data(), path.size());
        path.resize(path.find('\0') == std::string::npos ? path.size() : path.find('\0'));
    }
    for (size_t at = 0; at <= path.size();) {
        size_t end = path.find(':', at);
        if (end == std::string::npos) end = path.size();
        const std::string folder = end > at ? path.substr(at, end - at) : ".";
        const std::string program = folder + "/gnuplot";
        struct stat st {};
        if (::stat(program.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(program.c_str(), X_OK) == 0)
            return program;
        at = end + 1;
    }
    return {};
}

GnuplotRun RunGnuplot(const std::string& program, const std::string& dir, const std::vector<std::string>& scripts) {
    std::vector<std::string> args{program};
    for (const std::string& script : scripts) {
        args.push_back(script);
        args.push_back("-e");
        // Back to standard error, wherever the script had print write.
        args.push_back("set print; print '" + kDone + "'");
    }
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    Fd folder{::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (folder.fd < 0) throw files::FileError(dir, errno);
    Fd input{::open("/dev/null", O_RDONLY | O_CLOEXEC)};
    // Its output, and the errno of an exec that failed.
    int out[2], exec[2];
    if (::pipe2(out, O_CLOEXEC) != 0) throw Failure("cannot run gnuplot: " + SystemText(errno));
    Fd said{out[0]}, saying{out[1]};
    if (::pipe2(exec, O_CLOEXEC) != 0) throw Failure("cannot run gnuplot: " + SystemText(errno));
    Fd failed{exec[0]}, failing{exec[1]};

    const pid_t pid = ::fork();
    if (pid < 0) throw Failure("cannot run gnuplot: " + SystemText(errno));
    if (pid == 0) {
        // gnuplot takes the signals we hold for removing our temporary files,
        // as any program would; ours are not its.
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        struct sigaction byDefault {};
        byDefault.sa_handler = SIG_DFL;
        ::sigaction(SIGXFSZ, &byDefault, nullptr);
        // Its output goes nowhere near ours, which may be an event file.
        if (::fchdir(folder.fd) == 0 && (input.fd < 0 || ::dup2(input.fd, 0) == 0) && ::dup2(saying.fd, 1) == 1 &&
            ::dup2(saying.fd, 2) == 2)
            ::execv(program.c_str(), argv.data());
        const int error = errno;
        (void)!::write(failing.fd, &error, sizeof error);
        ::_exit(127);
    }
    ::close(saying.fd);
    saying.fd = -1;
    ::close(failing.fd);
    failing.fd = -1;

    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = ::read(said.fd, buffer, sizeof buffer)) != 0;) {
        if (got > 0) text.append(buffer, static_cast<size_t>(got));
        else if (errno != EINTR) break;
    }
    int error = 0;
    ssize_t got;
    while ((got = ::read(failed.fd, &error, sizeof error)) < 0 && errno == EINTR) {
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (got == sizeof error) throw Failure("cannot run " + program + ": " + SystemText(error));

    GnuplotRun run;
    text.insert(0, 1, '\n');
    size_t after = 0;  // where the current script's output starts
    for (size_t at; (at = text.find('\n' + kDone + '\n', after)) != std::string::npos;) {
        ++run.done;
        after = at + kDone.size() + 1;
    }
    if (run.done >= scripts.size()) return run;
    run.failed = true;
    run.message = Message(text.substr(after), scripts[run.done]);
    if (WIFSIGNALED(status))
        run.message += (run.message.empty() ? "" : "; ") + std::string("gnuplot ended by signal ") +
                       std::to_string(WTERMSIG(status));
    else if (run.message.empty())
        run.message = "exit status " + std::to_string(WEXITSTATUS(status));
    return run;
}

}  // namespace kavro::console
