#include <gtest/gtest.h>

#include "ui/DialogTemplates.h"

namespace {

using namespace kivui;

const DialogTemplate& Load(unsigned id, win::Language language) {
    const DialogTemplate* found = LoadDialogTemplate(id, language);
    EXPECT_NE(found, nullptr);
    static const DialogTemplate empty;
    return found != nullptr ? *found : empty;
}

TEST(DialogTemplatesTest, DownloadDialogHasTheSameControlsInBothLanguages) {
    const DialogTemplate& en = Load(IDD_DOWNLOAD, win::Language::English);
    const DialogTemplate& ja = Load(IDD_DOWNLOAD, win::Language::Japanese);
    ASSERT_EQ(en.items.size(), 15u);
    ASSERT_EQ(ja.items.size(), en.items.size());
    for (std::size_t i = 0; i < en.items.size(); ++i) {
        EXPECT_EQ(en.items[i].id, ja.items[i].id) << i;
        EXPECT_EQ(en.items[i].kind, ja.items[i].kind) << i;
        EXPECT_EQ(en.items[i].style & ~SS_CENTERIMAGE, ja.items[i].style & ~SS_CENTERIMAGE) << i;
    }
    EXPECT_EQ(en.fontFace, "MS Shell Dlg");
    EXPECT_EQ(en.pointSize, 8);
    EXPECT_EQ(ja.fontFace, "MS UI Gothic");
    EXPECT_EQ(ja.pointSize, 9);
    EXPECT_EQ(std::make_pair(en.cx, en.cy), std::make_pair(278, 121));
    EXPECT_EQ(std::make_pair(ja.cx, ja.cy), std::make_pair(239, 131));
    EXPECT_EQ(en.style & win::WS_CHILD, win::WS_CHILD);
    EXPECT_EQ(en.style & WS_CAPTION, 0u);
}

// The facts the dialog's code leans on: the hidden panel, the bordered bars,
// the file name line's style and the Japanese variant's own places and texts.
TEST(DialogTemplatesTest, RolesPlacesAndTextsTheDialogReliesOn) {
    const DialogTemplate& en = Load(IDD_DOWNLOAD, win::Language::English);
    const DialogTemplate& ja = Load(IDD_DOWNLOAD, win::Language::Japanese);
    ASSERT_NE(en.Find(IDC_PANEL), nullptr);
    EXPECT_EQ(en.Find(IDC_PANEL)->style & win::WS_VISIBLE, 0u);
    const DialogItem* bar = en.Find(IDC_CURRENT_BAR);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->style & WS_BORDER, WS_BORDER);
    EXPECT_EQ(std::vector<int>({bar->x, bar->y, bar->cx, bar->cy}),
              std::vector<int>({87, 29, 175, 11}));
    EXPECT_EQ(en.Find(IDC_FILE_NAME)->style & (SS_NOPREFIX | SS_ENDELLIPSIS),
              SS_NOPREFIX | SS_ENDELLIPSIS);
    EXPECT_EQ(en.Find(IDC_LINK_IMAGE)->imageId, 203u);
    const DialogItem* cancel = ja.Find(IDC_CANCEL);
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(std::vector<int>({cancel->x, cancel->y, cancel->cx, cancel->cy}),
              std::vector<int>({169, 108, 63, 17}));
    EXPECT_EQ(cancel->text, "キャンセル");
    EXPECT_EQ(ja.Find(IDC_STATUS)->text, "ファイルをダウンロードする準備をしています。");
    EXPECT_EQ(ja.Find(IDC_FILE_NAME)->text, "Downloading Contents Name");
    EXPECT_NE(ja.FindByText("全体の進捗状況"), nullptr);
}

TEST(DialogTemplatesTest, MessageBoxTemplateIsOneLayoutInTwoFonts) {
    for (const win::Language language : {win::Language::English, win::Language::Japanese}) {
        const DialogTemplate& box = Load(IDD_MSGBOX, language);
        EXPECT_EQ(std::make_pair(box.cx, box.cy), std::make_pair(69, 58));
        EXPECT_EQ(box.style & (WS_POPUP | WS_CAPTION | DS_MODALFRAME),
                  WS_POPUP | WS_CAPTION | DS_MODALFRAME);
        ASSERT_EQ(box.items.size(), 5u);
        EXPECT_EQ(box.Find(IDC_MSGBOX_TEXT)->text, "Static");
        for (const int id : {IDC_MSGBOX_BUTTON1, IDC_MSGBOX_BUTTON2, IDC_MSGBOX_BUTTON3}) {
            const DialogItem* button = box.Find(id);
            ASSERT_NE(button, nullptr);
            EXPECT_EQ(std::vector<int>({button->x, button->y, button->cx, button->cy}),
                      std::vector<int>({7, 37, 50, 14}));
        }
    }
    EXPECT_EQ(Load(IDD_MSGBOX, win::Language::Japanese).fontFace, "MS UI Gothic");
    EXPECT_EQ(LoadDialogTemplate(999, win::Language::English), nullptr);
}

}  // namespace
