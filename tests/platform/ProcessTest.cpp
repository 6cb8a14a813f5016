#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <fstream>
#include <sstream>

#include "CoreTestSupport.h"
#include "FileTestSupport.h"
#include "ProcessTestSupport.h"
#include "platform/Event.h"
#include "platform/LastError.h"

namespace {

using proctest::Child;
using proctest::kWaitMs;

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(ProcessTest, ExitCodeArrivesWhenBothHandlesAreSignalled) {
    Child child;
    ASSERT_TRUE(child.Start("/bin/sh -c \"exit 7\""));
    EXPECT_EQ(child.WaitExitCode(), 7u);
    EXPECT_EQ(win::WaitForSingleObject(child.Info().hThread, 0), win::WAIT_OBJECT_0);
    EXPECT_EQ(child.Info().dwProcessId, win::GetProcessId(child.Process()));
    // Still signalled: a process handle is not consumed by a wait.
    EXPECT_EQ(win::WaitForSingleObject(child.Process(), 0), win::WAIT_OBJECT_0);
}

TEST(ProcessTest, RunningChildIsNotSignalledAndTerminateGivesSignalExitCode) {
    Child child;
    ASSERT_TRUE(child.Start("sleep 60"));  // a bare name is looked up in PATH
    const win::DWORD pid = win::GetProcessId(child.Process());
    ASSERT_NE(pid, 0u);
    EXPECT_EQ(kill(static_cast<pid_t>(pid), 0), 0);
    win::DWORD code = 0;
    ASSERT_TRUE(win::GetExitCodeProcess(child.Process(), &code));
    EXPECT_EQ(code, win::STILL_ACTIVE);
    EXPECT_EQ(win::WaitForSingleObject(child.Process(), 0), win::WAIT_TIMEOUT);

    ASSERT_TRUE(win::TerminateProcess(child.Process(), 3));
    EXPECT_EQ(child.WaitExitCode(), 128u + SIGKILL);
    EXPECT_FALSE(win::TerminateProcess(child.Process(), 3));
    EXPECT_EQ(win::GetLastError(), win::ERROR_ACCESS_DENIED);
}

TEST(ProcessTest, EndedChildIsReapedAndNoOtherChildIsTouched) {
    // A child of this process that the layer did not start must keep its status.
    const pid_t stranger = fork();
    if (stranger == 0) _exit(9);
    Child child;
    ASSERT_TRUE(child.Start("/bin/true"));
    EXPECT_EQ(child.WaitExitCode(), 0u);
    const auto pid = static_cast<pid_t>(child.Info().dwProcessId);
    bool reaped = false;
    for (int i = 0; i < 500 && !reaped; ++i) {  // the reaper runs just after the signal
        reaped = waitpid(pid, nullptr, WNOHANG) < 0 && errno == ECHILD;
        if (!reaped) usleep(10000);
    }
    EXPECT_TRUE(reaped) << "the ended child lingers as a zombie";
    int status = 0;
    ASSERT_EQ(waitpid(stranger, &status, 0), stranger);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 9);
}

TEST(ProcessTest, WaitForMultipleObjectsReportsTheProcessIndex) {
    win::HANDLE event = win::CreateEvent(true, false);
    ASSERT_NE(event, nullptr);
    Child child;
    ASSERT_TRUE(child.Start("/bin/sh -c \"exit 0\""));
    const win::HANDLE handles[] = {event, child.Process()};
    EXPECT_EQ(win::WaitForMultipleObjects(2, handles, win::FALSE, kWaitMs), win::WAIT_OBJECT_0 + 1);
    win::CloseHandle(event);
}

TEST(ProcessTest, ChildGetsTheEnvironmentAndAQuotedProgramPathWithSpaces) {
    coretest::ScopedEnv variable("KIV_PROCESS_TEST_CODE", "42");
    filetest::TempFolder folder;
    const std::string dir = folder.Native("dir with space");
    ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
    const std::string script = dir + "/print args.sh";
    std::ofstream(script) << "#!/bin/sh\nprintf '%s|' \"$0\" \"$@\" > \"${0%/*}/out\"\n"
                             "exit $KIV_PROCESS_TEST_CODE\n";
    ASSERT_EQ(chmod(script.c_str(), 0700), 0);

    Child child;
    const std::string line = "\"" + filetest::WindowsPath(script) + "\" \"a b\" c\\\"d";
    ASSERT_TRUE(child.Start(line));
    EXPECT_EQ(child.WaitExitCode(), 42u);
    EXPECT_EQ(ReadText(dir + "/out"), script + "|a b|c\"d|");
}

TEST(ProcessTest, DescriptorsOfThisProcessDoNotReachTheChild) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);  // no close-on-exec on purpose
    Child child;
    const bool started = child.Start("sleep 60");
    close(fds[1]);
    ASSERT_TRUE(started);
    // With the write end only in the child, the reader would block instead of seeing EOF.
    pollfd reader{fds[0], POLLIN, 0};
    ASSERT_EQ(poll(&reader, 1, static_cast<int>(kWaitMs)), 1);
    char c = 0;
    EXPECT_EQ(read(fds[0], &c, 1), 0);
    close(fds[0]);
    win::DWORD code = 0;
    ASSERT_TRUE(win::GetExitCodeProcess(child.Process(), &code));
    EXPECT_EQ(code, win::STILL_ACTIVE);  // the EOF did not come from the child's end
}

TEST(ProcessTest, ProgramThatCannotStartFailsAtCreation) {
    filetest::TempFolder folder;
    const std::string plain = folder.Native("not-executable");
    std::ofstream(plain) << "data\n";
    struct Case {
        std::string line;
        win::DWORD error;
    };
    const Case cases[] = {
        {folder.Windows("missing.exe"), win::ERROR_FILE_NOT_FOUND},
        {"\"" + folder.Native("missing") + "\" x", win::ERROR_FILE_NOT_FOUND},
        {"kiv-no-such-program-on-path", win::ERROR_FILE_NOT_FOUND},
        {filetest::WindowsPath(plain), win::ERROR_ACCESS_DENIED},
        {"C:\\Windows\\explorer.exe", win::ERROR_PATH_NOT_FOUND},
        {"bin\\sh -c true", win::ERROR_PATH_NOT_FOUND},
    };
    for (const Case& c : cases) {
        Child child;
        win::SetLastError(0);
        EXPECT_FALSE(child.Start(c.line)) << c.line;
        EXPECT_EQ(win::GetLastError(), c.error) << c.line;
        EXPECT_EQ(child.Process(), nullptr) << c.line;
    }
}

TEST(ProcessTest, RefusedArgumentsAndHandlesOfOtherKinds) {
    char line[] = "/bin/true";
    win::STARTUPINFOA startup;
    win::PROCESS_INFORMATION info;
    int flags = 0;
    EXPECT_FALSE(win::CreateProcessA(nullptr, line, nullptr, nullptr, 0, win::CREATE_SUSPENDED,
                                     nullptr, nullptr, &startup, &info));
    EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(win::CreateProcessA(nullptr, line, nullptr, nullptr, 0, 0, &flags, nullptr,
                                     &startup, &info));
    EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(win::CreateProcessA(nullptr, line, nullptr, nullptr, 0, 0, nullptr, "Z:\\tmp",
                                     &startup, &info));
    EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_PARAMETER);
    EXPECT_EQ(info.hProcess, nullptr);

    Child child;
    ASSERT_TRUE(child.Start("/bin/true"));
    win::DWORD code = 0;
    // The thread handle waits like the process but is no process handle.
    EXPECT_FALSE(win::GetExitCodeProcess(child.Info().hThread, &code));
    EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_HANDLE);
    win::HANDLE event = win::CreateEvent(true, false);
    EXPECT_FALSE(win::TerminateProcess(event, 1));
    EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_HANDLE);
    EXPECT_EQ(win::GetProcessId(event), 0u);
    win::CloseHandle(event);
}

TEST(ProcessTest, ApplicationNameRunsWithTheCommandLineAsArguments) {
    Child child;
    // The command line's first word is only argv[0] here; the program is the name given.
    ASSERT_TRUE(child.Start("anything -c \"exit 5\"", "Z:\\bin\\sh"));
    EXPECT_EQ(child.WaitExitCode(), 5u);
}

}  // namespace
