#pragma once
// A scripted control for the destination query: the folder dialog answers
// from a list of steps, the message boxes from a list of answers, and every
// call is recorded. The settings store, the home and the Desktop live in a
// temporary folder; the browser's top-level window is a real window of the
// test thread, so its enabled state can be watched.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "control/ControlServices.h"
#include "control/DestinationQuery.h"
#include "env/Application.h"
#include "env/ItemIDList.h"
#include "env/Settings.h"
#include "platform/FileApi.h"
#include "platform/Language.h"
#include "platform/Window.h"
#include "resources/StringTable.h"
#include "tests/env/EnvTestHelpers.h"

namespace desttest {

using KIVTOOLCommon::CItemIDList;

struct ShownMessage {
    std::string text;
    unsigned style;
};

struct BrowseCall {
    win::HWND owner;
    std::string prompt;
    unsigned flags;
    CItemIDList initialSelection;
    bool browserEnabled;  // the browser's window while the dialog was open
};

struct BrowseStep {
    BrowseStep(int answer, std::string path = {}, std::function<void()> during = {})
        : answer(answer), path(std::move(path)), during(std::move(during)) {}
    int answer;
    std::string path;              // Windows form; the list handed back for IDOK
    std::function<void()> during;  // runs while the dialog is open
};

class ScriptedFolderBrowser : public kivcontrol::IFolderBrowser {
public:
    std::deque<BrowseStep> steps;
    std::vector<BrowseCall> calls;
    win::HWND browserWindow = nullptr;

    int Browse(win::HWND owner, const std::string& prompt, unsigned flags,
               const CItemIDList& initialSelection, CItemIDList& result) override {
        calls.push_back({owner, prompt, flags, initialSelection,
                         browserWindow != nullptr && win::IsWindowEnabled(browserWindow) != 0});
        if (steps.empty()) {
            ADD_FAILURE() << "folder dialog shown more often than scripted";
            return IDCANCEL;
        }
        BrowseStep step = std::move(steps.front());
        steps.pop_front();
        if (step.during) step.during();
        if (step.answer == IDOK) {
            EXPECT_TRUE(result.FromPath(step.path)) << step.path;
        }
        return step.answer;
    }
};

class ScriptedContext : public kivcontrol::IDestinationContext {
public:
    ScriptedFolderBrowser browser;
    kivcontrol::IFolderBrowser* folderBrowser = &browser;
    kivtransfer::ContentList items;
    win::HWND dialogWindow = nullptr;
    win::HWND browserWindow = nullptr;
    bool cancelled = false;
    std::deque<int> answers;
    std::vector<ShownMessage> messages;
    std::vector<std::string> destinations;
    std::vector<bool> resumeAllowedHistory;
    kivtransfer::ErrorState errors;

    bool IsCancelled() override { return cancelled; }
    int ShowMessage(const std::string& text, unsigned style) override {
        return Answer({text, style});
    }
    int ShowMessageId(unsigned stringId, unsigned style) override {
        return Answer({res::LoadString(stringId), style});
    }
    const kivtransfer::ContentList& Items() const override { return items; }
    win::HWND DialogWindow() override { return dialogWindow; }
    win::HWND BrowserTopLevelWindow() override { return browserWindow; }
    kivcontrol::IFolderBrowser* FolderBrowser() override { return folderBrowser; }
    void SetDestinationFolder(const std::string& folder) override {
        destinations.push_back(folder);
    }
    void SetResumeAllowed(bool allowed) override { resumeAllowedHistory.push_back(allowed); }
    kivtransfer::ErrorState& Errors() override { return errors; }

    void AddItem(const std::string& name) {
        auto item = std::make_unique<kivtransfer::CONTENTDATA>();
        item->name = name;
        item->url = "http://127.0.0.1/" + name;
        items.push_back(std::move(item));
    }
    bool ResumeAllowed() const {
        return !resumeAllowedHistory.empty() && resumeAllowedHistory.back();
    }

private:
    int Answer(ShownMessage message) {
        messages.push_back(std::move(message));
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected box: " << messages.back().text;
            return IDOK;
        }
        const int answer = answers.front();
        answers.pop_front();
        // The control closes open boxes only after it has signalled the cancel.
        if (answer == IDDISMISSED) cancelled = true;
        return answer;
    }
};

inline win::LRESULT PlainWindowProc(win::HWND hwnd, win::UINT message, win::WPARAM wParam,
                                    win::LPARAM lParam) {
    return win::DefWindowProc(hwnd, message, wParam, lParam);
}

class DestinationTest : public ::testing::Test {
protected:
    DestinationTest() {
        win::OverrideLanguage(win::Language::English);
        context.dialogWindow = win::CreateWindow(PlainWindowProc, "Kiv Downloader", 0);
        context.browserWindow = win::CreateWindow(PlainWindowProc, "Browser", 0);
        context.browser.browserWindow = context.browserWindow;
    }
    ~DestinationTest() override {
        win::DestroyWindow(context.dialogWindow);
        win::DestroyWindow(context.browserWindow);
        win::ResetLanguage();
    }

    // A new folder below the temporary home; its Windows-form path.
    std::string MakeFolder(const std::string& name) {
        std::filesystem::create_directories(home.Native(name));
        return home.Windows(name);
    }
    void MakeFile(const std::string& folder, const std::string& name) {
        std::string native;
        ASSERT_TRUE(win::ToNativePath(folder + "\\" + name, native));
        std::ofstream(native) << "partial";
    }
    static CItemIDList ListOf(const std::string& path) {
        CItemIDList list;
        EXPECT_TRUE(list.FromPath(path)) << path;
        return list;
    }
    static std::string PathOf(const CItemIDList& list) {
        std::string path;
        return list.GetPath(path) ? path : "<no path>";
    }
    // The stored "DownloadedFilesPath" bytes; none when there is no value.
    static std::vector<win::BYTE> StoredFolderBytes() {
        const std::string company = env::GetCompanyName();
        const std::string product = env::GetProductName();
        win::DWORD size = 0;
        env::ReadSettingBinary(company, product, env::kDownloadedFilesPath, nullptr, size);
        std::vector<win::BYTE> bytes(size);
        if (!env::ReadSettingBinary(company, product, env::kDownloadedFilesPath, bytes.data(),
                                    size)) {
            bytes.clear();
        }
        return bytes;
    }
    static void StoreFolderBytes(const std::vector<win::BYTE>& bytes) {
        ASSERT_TRUE(env::WriteSettingBinary(env::GetCompanyName(), env::GetProductName(),
                                            env::kDownloadedFilesPath, bytes.data(),
                                            static_cast<win::DWORD>(bytes.size())));
    }

    envtest::TempFolder home;
    envtest::ScopedEnvVar homeVar{"HOME", home.Native()};
    envtest::ScopedEnvVar configVar{"XDG_CONFIG_HOME", home.Native("config")};
    ScriptedContext context;
    kivcontrol::CDestinationQuery query{context};
};

}  // namespace desttest
