#pragma once
// The messages between the browser extension and `kiv-downloader
// --browser-host`, checked before anything acts on them. From the browser:
//
//   {"type":"start","url":U,"origin":O,"params":[[NAME,VALUE],...],
//    "cookies":[{"url":F,"name":N,"value":V,"domain":D,"hostOnly":B,
//                "path":P,"secure":B,"httpOnly":B},...]}
//       once, first: the page's address (shown, never fetched), its origin,
//       the object's <param> pairs and (optional) the cookies the tab would
//       send with each file's address F (one of the page's curlN values);
//   {"type":"beforeunload"}           the page is being left without a question;
//   {"type":"leave-question-open"}    the browser asks the user whether to leave;
//   {"type":"leave-question-closed"}  ... and the user chose to stay;
//   {"type":"pagehide"}               the page is gone.
//
// To the browser (texts are the control's own, for the page's placeholder):
//
//   {"type":"guard","on":B}           leaving now would ask first (or no longer);
//   {"type":"leave-text","text":T}    the control's text for the leave question;
//   {"type":"end","result":R,"text":T,"quit":B}
//       the run is over: R is "success", "cancelled", "failed" or "refused";
//       quit asks the browser to close the page's tab.
//
// Nothing from the browser names a file or a folder.
#include <string>
#include <string_view>

#include "host/HostPage.h"
#include "platform/RunCredentials.h"

struct BrowserStart {
    std::string pageUrl;  // UTF-8, as the browser gave it
    std::string origin;
    HostPage::Params params;  // names as given, values in the process code page
    // Kept in memory for the run only; never shown, logged or written.
    std::vector<win::inet::SessionCookie> cookies;
};

enum class BrowserMessageKind {
    Start,
    BeforeUnload,
    LeaveQuestionOpen,
    LeaveQuestionClosed,
    PageHide
};

struct BrowserMessage {
    BrowserMessageKind kind = BrowserMessageKind::Start;
    BrowserStart start;  // kind Start only
};

// Why a message was refused. `parameter` names the page's parameter that
// the control would report as error 200; it is empty when the message itself
// is malformed.
struct BrowserRefusal {
    std::string parameter;
    std::string reason;  // one line, for the error output
};

// False with `refusal` when `json` is not one of the messages above, when a
// start message carries a parameter outside the control's list, a value that
// is no string, longer than the control takes or not representable in the
// process code page, a parameter twice, or an address that is not an http(s)
// page of the given origin, or a cookie not for a file of the page, for
// another host, secure over http, or one too many. A cookie that could not
// go into a Cookie header as it is (host/SessionCookies.h) is left out.
bool ParseBrowserMessage(std::string_view json, BrowserMessage& message, BrowserRefusal& refusal);

// Values without a length limit of the control's own are held to this.
inline constexpr std::size_t kMaxBrowserParamValue = 2084;
inline constexpr std::size_t kMaxPageUrl = 8192;

enum class BrowserRunResult { Success, Cancelled, Failed, Refused };

std::string GuardMessage(bool on);
// `text` in the process code page.
std::string LeaveTextMessage(const std::string& text);
std::string EndMessage(BrowserRunResult result, const std::string& text, bool quit);
