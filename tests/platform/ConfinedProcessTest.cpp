// The confined worker process as a compromised worker would meet it: the
// probe program is started exactly as the worker is (SpawnConfined with the
// worker's kind of Landlock ruleset, then FinishConfinement) and tries every
// escape; the test then checks both the errors and that nothing happened.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>

#include "FileTestSupport.h"
#include "platform/BoundaryChannel.h"
#include "platform/ConfinedSpawn.h"
#include "platform/ConfinedWorkerStart.h"
#include "platform/Landlock.h"
#include "platform/UniqueFd.h"

namespace {

using win::BoundaryMessage;
using win::BoundaryReceive;
using win::CUniqueFd;

// A listening socket of the given family, non-blocking, so that a
// connection that got through shows as one to accept.
CUniqueFd Listen(int family, const sockaddr* address, socklen_t length) {
    CUniqueFd fd(socket(family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (bind(fd.Get(), address, length) != 0 || listen(fd.Get(), 4) != 0) return CUniqueFd(-1);
    return fd;
}

CUniqueFd ListenUnix(const std::string& name, bool abstract) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path + (abstract ? 1 : 0), name.data(), name.size());
    return Listen(AF_UNIX, reinterpret_cast<sockaddr*>(&address),
                  static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size() + 1));
}

bool SomeoneConnected(const CUniqueFd& listener) {
    const int accepted = accept(listener.Get(), nullptr, nullptr);
    if (accepted >= 0) close(accepted);
    return accepted >= 0;
}

class ConfinedProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (win::LandlockAbiVersion() == 0) GTEST_SKIP() << "the kernel offers no Landlock";
        for (const char* folder : {"home", "work", "run"})
            std::filesystem::create_directories(root_.Native(folder));
    }

    // Runs the probe confined; fills the steps' errno by name.
    void RunProbe(const std::vector<std::string>& arguments) {
        win::LandlockExtras extras;
        extras.openForWritingOnly = {root_.Native("run")};
        extras.scopeAbstractSockets = extras.scopeSignals = true;
        const CUniqueFd ruleset(win::CreateWriteRuleset({root_.Native("work")}, extras));
        ASSERT_GE(ruleset.Get(), 0);
        win::BoundaryPair pair;
        ASSERT_TRUE(win::MakeBoundaryPair(pair));
        const CUniqueFd parent(pair.parent);
        std::vector<std::string> argv{KIV_CONFINED_PROBE};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        const pid_t child = win::SpawnConfined(argv, pair.child, ruleset.Get());
        close(pair.child);
        ASSERT_GT(child, 0);
        BoundaryMessage message;
        while (win::ReceiveBoundaryMessage(parent.Get(), message, 10000) ==
               BoundaryReceive::Message) {
            if (message.kind == win::kConfinementReportKind) {
                state_ = win::ReadConfinementReport(message);
            } else if (message.Bytes(0) != nullptr && message.Number(1)) {
                steps_[*message.Bytes(0)] = static_cast<int>(*message.Number(1));
            }
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }

    filetest::TempFolder root_;
    std::optional<win::ConfinementState> state_;
    std::map<std::string, int> steps_;
};

TEST_F(ConfinedProcessTest, EveryEscapeFailsAndNothingHappens) {
    const std::string abstractName = "kiv-probe-" + std::to_string(getpid());
    const CUniqueFd pathListener = ListenUnix(root_.Native("socket"), false);
    const CUniqueFd abstractListener = ListenUnix(abstractName, true);
    sockaddr_in loopback{};
    loopback.sin_family = AF_INET;
    loopback.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const CUniqueFd tcpListener =
        Listen(AF_INET, reinterpret_cast<sockaddr*>(&loopback), sizeof loopback);
    socklen_t length = sizeof loopback;
    ASSERT_EQ(getsockname(tcpListener.Get(), reinterpret_cast<sockaddr*>(&loopback), &length), 0);
    ASSERT_GE(pathListener.Get(), 0);
    ASSERT_GE(abstractListener.Get(), 0);
    // A terminal no session holds yet, as the user's shell's would be.
    const CUniqueFd master(posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    ASSERT_GE(master.Get(), 0);
    ASSERT_EQ(grantpt(master.Get()) | unlockpt(master.Get()), 0);
    const std::string terminal = ptsname(master.Get());
    // The path the unconfined side is about to append to.
    std::string trusted = root_.Native("home") + "/notes.txt";
    const std::string original = trusted;
    char address[32];
    std::snprintf(address, sizeof address, "%lx", reinterpret_cast<unsigned long>(trusted.data()));

    RunProbe({root_.Native("socket"), abstractName, terminal, address,
              std::to_string(trusted.size()), std::to_string(ntohs(loopback.sin_port)),
              root_.Native("home"), root_.Native("work"), root_.Native("run")});

    ASSERT_TRUE(state_);
    EXPECT_TRUE(state_->noNewPrivileges && state_->noTerminal && state_->syscallFilter);
    for (const char* escape :
         {"process_vm_writev", "proc_mem", "ptrace", "unix_path", "unix_abstract", "terminal_write",
          "tiocsti", "dev_tty", "signal_parent", "keyctl", "bpf", "unshare", "clone_newuser",
          "io_uring", "mount", "home_file", "runtime_link"}) {
        ASSERT_TRUE(steps_.count(escape)) << escape;
        EXPECT_NE(steps_[escape], 0) << escape << " worked";
    }
    EXPECT_EQ(steps_["tiocsti"], EPERM);  // the filter's answer, whatever the sysctl says
    EXPECT_EQ(trusted, original);
    EXPECT_FALSE(SomeoneConnected(pathListener));
    EXPECT_FALSE(SomeoneConnected(abstractListener));
    char pushed;
    EXPECT_LT(read(master.Get(), &pushed, 1), 1);
    EXPECT_FALSE(std::filesystem::exists(root_.Native("home/.bashrc")));
    EXPECT_FALSE(std::filesystem::exists(
        std::filesystem::symlink_status(root_.Native("run/mutex-planted.lock"))));
    // What the worker is for still works.
    EXPECT_EQ(steps_["work_file"], 0);
    EXPECT_EQ(steps_["tcp_connect"], 0);
    EXPECT_TRUE(SomeoneConnected(tcpListener));
}

// The start note names each gap once, and none on a kernel with everything.
TEST(ConfinementGapsTest, NamesWhatTheKernelCannotGiveAndReadsOnlyAWellFormedReport) {
    EXPECT_TRUE(win::ConfinementGaps(6, true).empty());
    EXPECT_TRUE(win::ConfinementGaps(7, true).empty());
    const auto noScoping = win::ConfinementGaps(5, true);
    ASSERT_EQ(noScoping.size(), 1u);
    EXPECT_NE(noScoping[0].find("abstract Unix sockets"), std::string::npos);
    const auto nothing = win::ConfinementGaps(0, false);
    ASSERT_EQ(nothing.size(), 2u);
    EXPECT_NE(nothing[0].find("no Landlock"), std::string::npos);
    EXPECT_NE(nothing[1].find("filters no system calls"), std::string::npos);

    // The worker's report is hostile input like any frame.
    const win::ConfinementState all{true, true, true};
    const auto read = win::ReadConfinementReport(win::ConfinementReport(all));
    ASSERT_TRUE(read);
    EXPECT_TRUE(read->noNewPrivileges && read->noTerminal && read->syscallFilter);
    BoundaryMessage inflated = win::ConfinementReport(all);
    inflated.fields[2].number = 2;
    EXPECT_FALSE(win::ReadConfinementReport(inflated));
    BoundaryMessage extra = win::ConfinementReport(all);
    extra.AddNumber(1);
    EXPECT_FALSE(win::ReadConfinementReport(extra));
    BoundaryMessage text = win::ConfinementReport(all);
    text.fields[0] = win::BoundaryField{false, 0, "1"};
    EXPECT_FALSE(win::ReadConfinementReport(text));
}

}  // namespace
