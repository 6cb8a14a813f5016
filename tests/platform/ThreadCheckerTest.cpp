#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "platform/ThreadChecker.h"

namespace {

void OnAnotherThread(const std::function<void()>& call) {
    std::thread(call).join();
}

TEST(ThreadCheckerDeathTest, AnotherThreadThanTheBoundOneAborts) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    win::CThreadChecker checker;
    checker.Check("Member");  // the constructing thread
    EXPECT_DEATH(OnAnotherThread([&] { checker.Check("Member"); }),
                 "Member called on thread .*; its object belongs to thread ");
}

TEST(ThreadCheckerDeathTest, DetachedItBindsToTheNextCaller) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    win::CThreadChecker checker;
    checker.Detach();
    OnAnotherThread([&] {
        checker.Check("Member");
        checker.Check("Member");
    });
    EXPECT_DEATH(checker.Check("Member"), "Member called on thread");
}

}  // namespace
