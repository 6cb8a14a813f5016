#pragma once
// Helpers for the file and mutex tests: a private temporary folder with
// Windows-form paths, and a forked child process driven over pipes.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

namespace filetest {

// The Windows form of a native path (drive Z: is the root), and back.
inline std::string WindowsPath(std::string path) {
    for (char& c : path) c = c == '/' ? '\\' : c;
    return "Z:" + path;
}
inline std::string NativePath(std::string path) {
    for (char& c : path) c = c == '\\' ? '/' : c;
    return path.substr(2);
}

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kivfile-XXXXXX").string();
        native_ = mkdtemp(pattern.data());
    }
    ~TempFolder() {
        std::error_code ignored;  // read-only entries must not stop the clean-up
        for (const auto& entry : std::filesystem::recursive_directory_iterator(native_, ignored)) {
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
        }
        std::filesystem::remove_all(native_, ignored);
    }
    std::string Native(const std::string& child = "") const {
        return child.empty() ? native_ : native_ + "/" + child;
    }
    std::string Windows(const std::string& child = "") const { return WindowsPath(Native(child)); }

private:
    std::string native_;
};

inline bool ReadByte(int fd, char& c, int timeoutMs) {
    pollfd entry{fd, POLLIN, 0};
    return poll(&entry, 1, timeoutMs) == 1 && read(fd, &c, 1) == 1;
}

// A child running `body(parent)`; the two exchange single bytes. Every wait
// is bounded, and a child still running at the end is killed.
class ChildProcess {
public:
    struct Parent {
        int in, out;
        void Send(char c) const { (void)!write(out, &c, 1); }
        void AwaitWord() const {
            char ignored;
            ReadByte(in, ignored, 5000);
        }
    };

    explicit ChildProcess(const std::function<int(const Parent&)>& body) {
        int down[2], up[2];
        if (pipe(down) != 0 || pipe(up) != 0) std::abort();
        pid_ = fork();
        if (pid_ == 0) _exit(body(Parent{down[0], up[1]}));
        close(down[0]);
        close(up[1]);
        in_ = up[0];
        out_ = down[1];
    }
    ~ChildProcess() {
        if (pid_ > 0) Kill();
        close(in_);
        close(out_);
    }

    void Send(char c) const { (void)!write(out_, &c, 1); }
    char Receive() const {  // 0 when nothing came in time
        char c = 0;
        return ReadByte(in_, c, 5000) ? c : 0;
    }
    pid_t Pid() const { return pid_; }
    // The exit code; -1 when the child did not end in time (it is killed then).
    int Wait() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        int status = 0;
        while (waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) return Kill(), -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    void Kill() {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    int in_ = -1, out_ = -1;
};

}  // namespace filetest
