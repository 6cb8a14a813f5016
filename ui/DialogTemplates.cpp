// Templates 201 (download dialog) and 246 (message box) in both languages.
#include "ui/DialogTemplates.h"

namespace kivui {

namespace {

constexpr win::DWORD kShown = win::WS_VISIBLE;
constexpr win::DWORD kLabel = kShown | SS_RIGHT;
constexpr win::DWORD kButton = kShown | WS_TABSTOP | BS_PUSHBUTTON;
constexpr win::DWORD kBar = kShown | WS_BORDER;
constexpr unsigned kLinkBitmap = 203;

struct Box {
    int x, y, cx, cy;
};

// Where the download dialog's controls sit, in template order.
struct DownloadLayout {
    Box status, panel, fileName, currentLabel, currentBar, overallLabel, overallBar, play, cancel,
        speedLabel, timeLabel, link, time, linkImage, rate;
};

struct DownloadTexts {
    const char *status, *currentLabel, *overallLabel, *play, *cancel, *speedLabel, *timeLabel,
        *link;
};

DialogItem Item(int id, ItemKind kind, const Box& box, win::DWORD style, const char* text = "",
                win::DWORD exStyle = 0) {
    DialogItem item;
    item.id = id;
    item.kind = kind;
    item.x = box.x;
    item.y = box.y;
    item.cx = box.cx;
    item.cy = box.cy;
    item.style = style;
    item.exStyle = exStyle;
    item.text = text;
    return item;
}

DialogTemplate DownloadTemplate(const DownloadLayout& at, const DownloadTexts& text,
                                const char* face, int pointSize, int cx, int cy,
                                win::DWORD imageStyle) {
    DialogTemplate t{
        IDD_DOWNLOAD, face, pointSize, cx, cy, win::WS_CHILD | WS_SYSMENU | DS_SETFONT, {}};
    using K = ItemKind;
    DialogItem image =
        Item(IDC_LINK_IMAGE, K::Image, at.linkImage, imageStyle, "", WS_EX_TRANSPARENT);
    image.imageId = kLinkBitmap;
    t.items = {
        Item(IDC_STATUS, K::Static, at.status, kShown | SS_LEFT, text.status),
        Item(IDC_PANEL, K::GroupBox, at.panel, BS_GROUPBOX),
        Item(IDC_FILE_NAME, K::Static, at.fileName, kShown | SS_NOPREFIX | SS_ENDELLIPSIS,
             "Downloading Contents Name"),
        Item(IDC_CURRENT_LABEL, K::Static, at.currentLabel, kLabel, text.currentLabel),
        Item(IDC_CURRENT_BAR, K::TextProgress, at.currentBar, kBar),
        Item(IDC_STATIC, K::Static, at.overallLabel, kLabel, text.overallLabel),
        Item(IDC_OVERALL_BAR, K::TextProgress, at.overallBar, kBar),
        Item(IDC_PLAY, K::PushButton, at.play, kButton, text.play),
        Item(IDC_CANCEL, K::PushButton, at.cancel, kButton, text.cancel),
        Item(IDC_STATIC, K::Static, at.speedLabel, kLabel, text.speedLabel),
        Item(IDC_TIME_LABEL, K::Static, at.timeLabel, kLabel, text.timeLabel),
        Item(IDC_ABOUT_LINK, K::Static, at.link, kLabel, text.link, WS_EX_TRANSPARENT),
        Item(IDC_TIME, K::Static, at.time, kLabel),
        image,
        Item(IDC_RATE, K::Static, at.rate, kLabel),
    };
    return t;
}

DialogTemplate EnglishDownloadTemplate() {
    const DownloadLayout at{{7, 3, 221, 8},    {8, 12, 261, 85},   {15, 17, 208, 8},
                            {17, 30, 63, 8},   {87, 29, 175, 11},  {17, 44, 63, 8},
                            {87, 43, 175, 11}, {136, 100, 63, 15}, {206, 100, 63, 15},
                            {59, 58, 90, 8},   {63, 70, 86, 8},    {184, 82, 80, 8},
                            {153, 70, 96, 8},  {174, 82, 8, 7},    {153, 58, 96, 8}};
    const DownloadTexts text{"Preparing to download file.",
                             "Currently progress",
                             "Overall progress",
                             "Play",
                             "Cancel",
                             "Transfer speed",
                             "Download complete in",
                             "About Kiv Downloader"};
    return DownloadTemplate(at, text, "MS Shell Dlg", 8, 278, 121, kShown | SS_BITMAP);
}

DialogTemplate JapaneseDownloadTemplate() {
    const DownloadLayout at{{7, 6, 221, 8},    {7, 14, 225, 87},  {15, 22, 208, 8},
                            {10, 35, 55, 8},   {75, 34, 152, 11}, {10, 50, 55, 8},
                            {75, 48, 152, 11}, {97, 108, 63, 17}, {169, 108, 63, 17},
                            {84, 63, 62, 8},   {84, 75, 62, 8},   {150, 88, 76, 8},
                            {152, 75, 65, 8},  {144, 88, 7, 8},   {152, 63, 65, 8}};
    const DownloadTexts text{"ファイルをダウンロードする準備をしています。",
                             "現在の状況",
                             "全体の進捗状況",
                             "再生",
                             "キャンセル",
                             "転送速度",
                             "ダウンロード完了まで",
                             "Kivダウンローダーについて"};
    return DownloadTemplate(at, text, "MS UI Gothic", 9, 239, 131,
                            kShown | SS_BITMAP | SS_CENTERIMAGE);
}

DialogTemplate MessageBoxTemplate(const char* face, int pointSize) {
    DialogTemplate t{IDD_MSGBOX, face,
                     pointSize,  69,
                     58,         WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
                     {}};
    using K = ItemKind;
    t.items = {
        Item(IDC_MSGBOX_ICON, K::Icon, {7, 7, 20, 20}, kShown | SS_ICON),
        Item(IDC_MSGBOX_TEXT, K::Static, {33, 12, 28, 8}, kShown | SS_LEFT, "Static"),
        Item(IDC_MSGBOX_BUTTON1, K::PushButton, {7, 37, 50, 14}, kButton, "Button1"),
        Item(IDC_MSGBOX_BUTTON2, K::PushButton, {7, 37, 50, 14}, kButton, "Button2"),
        Item(IDC_MSGBOX_BUTTON3, K::PushButton, {7, 37, 50, 14}, kButton, "Button3"),
    };
    return t;
}

}  // namespace

const DialogItem* DialogTemplate::Find(int itemId) const {
    for (const DialogItem& item : items) {
        if (item.id == itemId) return &item;
    }
    return nullptr;
}

const DialogItem* DialogTemplate::FindByText(const std::string& text) const {
    for (const DialogItem& item : items) {
        if (item.text == text) return &item;
    }
    return nullptr;
}

const DialogTemplate* LoadDialogTemplate(unsigned id, win::Language language) {
    static const DialogTemplate downloadEnglish = EnglishDownloadTemplate();
    static const DialogTemplate downloadJapanese = JapaneseDownloadTemplate();
    static const DialogTemplate boxEnglish = MessageBoxTemplate("MS Shell Dlg", 8);
    static const DialogTemplate boxJapanese = MessageBoxTemplate("MS UI Gothic", 9);
    const bool japanese = language == win::Language::Japanese;
    if (id == IDD_DOWNLOAD) return japanese ? &downloadJapanese : &downloadEnglish;
    if (id == IDD_MSGBOX) return japanese ? &boxJapanese : &boxEnglish;
    return nullptr;
}

}  // namespace kivui
