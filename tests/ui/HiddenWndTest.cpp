#include <gtest/gtest.h>

#include <string>

#include "platform/Message.h"
#include "platform/Thread.h"
#include "platform/Window.h"
#include "ui/HiddenWnd.h"

namespace {

class RecordingSink : public ICopyDataSink {
public:
    win::LRESULT OnCopyData(win::HWND from, const COPYDATASTRUCT& record) override {
        sender = from;
        kind = record.dwData;
        data.assign(static_cast<const char*>(record.lpData), record.cbData);
        return 5;
    }
    win::HWND sender = nullptr;
    win::DWORD_PTR kind = 0;
    std::string data;
};

class HiddenWndTest : public ::testing::Test {
protected:
    void SetUp() override {
        owner = win::CreateWindow([](win::HWND h, win::UINT m, win::WPARAM w,
                                     win::LPARAM l) { return win::DefWindowProc(h, m, w, l); },
                                  "control", 0);
        ASSERT_NE(owner, nullptr);
    }
    void TearDown() override { win::DestroyWindow(owner); }
    win::HWND owner = nullptr;
};

TEST_F(HiddenWndTest, NeverShownTopLevelWindowOwnedByTheControl) {
    CHiddenWnd hidden;
    ASSERT_TRUE(hidden.Create(owner));
    EXPECT_FALSE(hidden.Create(owner)) << "one window per object";
    EXPECT_FALSE(win::IsWindowVisible(hidden.Hwnd()));
    EXPECT_EQ(win::GetWindowTextString(hidden.Hwnd()), "");
    EXPECT_EQ(win::GetWindow(hidden.Hwnd(), win::GW_OWNER), owner);
    EXPECT_EQ(win::GetAncestor(hidden.Hwnd(), win::GA_PARENT), nullptr);
    // The owner takes it along.
    win::DestroyWindow(owner);
    EXPECT_EQ(hidden.Hwnd(), nullptr);
    owner = win::CreateWindow([](win::HWND h, win::UINT m, win::WPARAM w,
                                 win::LPARAM l) { return win::DefWindowProc(h, m, w, l); },
                              "", 0);
}

TEST_F(HiddenWndTest, RecordsFromAnotherThreadReachTheControl) {
    RecordingSink sink;
    CHiddenWnd hidden(&sink);
    ASSERT_TRUE(hidden.Create(owner));
    const win::HWND target = hidden.Hwnd();
    const win::HWND from = owner;
    std::atomic<win::LRESULT> answer{0};
    win::CThread assistant;
    ASSERT_TRUE(assistant.Create([&, target, from] {
        const char payload[] = "C:\\Downloads";
        COPYDATASTRUCT record;
        record.dwData = 2;
        record.cbData = sizeof payload - 1;
        record.lpData = payload;
        answer = win::SendMessage(target, WM_COPYDATA, reinterpret_cast<win::WPARAM>(from),
                                  reinterpret_cast<win::LPARAM>(&record));
        return win::DWORD{0};
    }));
    // This thread serves the send while it waits.
    EXPECT_EQ(assistant.Wait(5000), win::WAIT_OBJECT_0);
    EXPECT_EQ(answer.load(), 5);
    EXPECT_EQ(sink.sender, owner);
    EXPECT_EQ(sink.kind, 2u);
    EXPECT_EQ(sink.data, "C:\\Downloads");
}

TEST_F(HiddenWndTest, WithoutAControlTheAnswerIsOneAndAMissingRecordIsNotHandedOn) {
    CHiddenWnd alone;
    ASSERT_TRUE(alone.Create(owner));
    COPYDATASTRUCT record;
    EXPECT_EQ(
        win::SendMessage(alone.Hwnd(), WM_COPYDATA, 0, reinterpret_cast<win::LPARAM>(&record)), 1);
    RecordingSink sink;
    CHiddenWnd withControl(&sink);
    ASSERT_TRUE(withControl.Create(owner));
    EXPECT_EQ(win::SendMessage(withControl.Hwnd(), WM_COPYDATA, 0, 0), 0);
    EXPECT_EQ(sink.sender, nullptr);
}

}  // namespace
