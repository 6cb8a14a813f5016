#include "host/BrowserMessages.h"

#include <algorithm>
#include <set>

#include "control/ParameterLoad.h"
#include "host/SessionCookies.h"
#include "platform/CodePage.h"
#include "platform/InternetUrl.h"
#include "platform/Json.h"

using kivcontrol::FindControlParameter;

namespace {

using json::Value;

bool Refuse(BrowserRefusal& refusal, std::string reason, std::string parameter = {}) {
    refusal.reason = std::move(reason);
    refusal.parameter = std::move(parameter);
    return false;
}

const std::string* StringMember(const Value& object, std::string_view name) {
    const Value* member = object.Find(name);
    return member != nullptr && member->Is(Value::Kind::String) ? &member->text : nullptr;
}

bool OnlyMembers(const Value& object, std::initializer_list<std::string_view> allowed) {
    return std::all_of(object.members.begin(), object.members.end(), [&](const auto& member) {
        return std::find(allowed.begin(), allowed.end(), member.name) != allowed.end();
    });
}

bool HasControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

// A name the page made up, fit to be shown: printable ASCII, cut short.
std::string ShownName(std::string_view name) {
    constexpr std::size_t kMaxShown = 64;
    std::string shown;
    for (char c : name.substr(0, kMaxShown)) shown += c > 0x20 && c < 0x7F ? c : '?';
    if (name.size() > kMaxShown) shown += "...";
    return shown;
}

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    return lower;
}

// An http(s) origin ("scheme://host[:port]"), and an address on it.
bool IsPageOfOrigin(const std::string& url, const std::string& origin) {
    const std::size_t schemeEnd = origin.find("://");
    if (schemeEnd == std::string::npos) return false;
    const std::string scheme = origin.substr(0, schemeEnd);
    const std::string authority = origin.substr(schemeEnd + 3);
    if ((scheme != "http" && scheme != "https") || authority.empty() ||
        authority.find_first_of("/?#@\\ ") != std::string::npos) {
        return false;
    }
    return url.size() > origin.size() && url.starts_with(origin) && url[origin.size()] == '/';
}

bool ParseParam(const Value& pair, std::set<std::string>& seen, HostPage::Params& params,
                BrowserRefusal& refusal) {
    if (!pair.Is(Value::Kind::Array) || pair.items.size() != 2 ||
        !pair.items[0].Is(Value::Kind::String)) {
        return Refuse(refusal, "a parameter is not a [name, value] pair");
    }
    const std::string& name = pair.items[0].text;
    std::size_t maxLength = 0;
    if (!FindControlParameter(name, maxLength)) {
        const std::string shown = ShownName(name);
        return Refuse(refusal, "the page's parameter '" + shown + "' is not the control's", shown);
    }
    if (!seen.insert(LowerAscii(name)).second) {
        return Refuse(refusal, "the page gives parameter '" + name + "' twice", name);
    }
    if (!pair.items[1].Is(Value::Kind::String)) {
        return Refuse(refusal, "the value of '" + name + "' is no text", name);
    }
    std::string value;
    if (!win::Utf8ToProcess(pair.items[1].text, value)) {
        return Refuse(refusal,
                      "the value of '" + name + "' cannot be held in the process code page", name);
    }
    const std::size_t limit = maxLength > 0 ? maxLength : kMaxBrowserParamValue;
    if (value.size() > limit) {
        return Refuse(
            refusal,
            "the value of '" + name + "' is longer than " + std::to_string(limit) + " bytes", name);
    }
    params.emplace_back(name, std::move(value));
    return true;
}

bool BoolMember(const Value& object, std::string_view name, bool& flag) {
    const Value* member = object.Find(name);
    if (member == nullptr || !member->Is(Value::Kind::Bool)) return false;
    flag = member->boolean;
    return true;
}

// Whether `url` is one of the page's file addresses (curl1, curl2, ...).
bool IsFileOfPage(const std::string& url, const HostPage::Params& params) {
    return std::any_of(params.begin(), params.end(), [&](const auto& param) {
        const std::string name = LowerAscii(param.first);
        return name.size() > 4 && name.starts_with("curl") &&
               name.find_first_not_of("0123456789", 4) == std::string::npos && param.second == url;
    });
}

enum class CookieCheck { Take, Skip, Refuse };

// One cookie the tab would send with a file's address. One whose name or
// value could not go into a Cookie header as it is (browsers keep some
// that RFC 6265 does not allow) is left out; one that is not what the tab
// would send there refuses the message. Nothing of its name or value goes
// into a refusal.
CookieCheck CheckCookie(const Value& item, const HostPage::Params& params,
                        win::inet::SessionCookie& cookie) {
    const std::string* url = item.Is(Value::Kind::Object) ? StringMember(item, "url") : nullptr;
    const std::string* name = url ? StringMember(item, "name") : nullptr;
    const std::string* value = url ? StringMember(item, "value") : nullptr;
    const std::string* domain = url ? StringMember(item, "domain") : nullptr;
    const std::string* path = url ? StringMember(item, "path") : nullptr;
    if (!name || !value || !domain || !path || !BoolMember(item, "hostOnly", cookie.hostOnly) ||
        !BoolMember(item, "secure", cookie.secure) ||
        !OnlyMembers(item, {"url", "name", "value", "domain", "hostOnly", "path", "secure",
                            "httpOnly"}) ||
        (item.Find("httpOnly") && !BoolMember(item, "httpOnly", cookie.httpOnly))) {
        return CookieCheck::Refuse;
    }
    // A domain cookie comes as ".example.com" from the browsers.
    cookie.domain = domain->starts_with('.') ? domain->substr(1) : *domain;
    win::DWORD service = 0;
    std::string server;
    std::string object;
    win::INTERNET_PORT port = 0;
    if (!IsFileOfPage(*url, params) || !win::ParseURL(*url, service, server, object, port) ||
        !CookieDomainMatches(cookie, server) ||
        (cookie.secure && service != win::AFX_INET_SERVICE_HTTPS)) {
        return CookieCheck::Refuse;
    }
    cookie.name = *name;
    cookie.value = *value;
    cookie.path = *path;
    return IsSendableCookie(cookie) ? CookieCheck::Take : CookieCheck::Skip;
}

bool ParseCookies(const Value* cookies, BrowserStart& start, BrowserRefusal& refusal) {
    if (cookies == nullptr) return true;
    if (!cookies->Is(Value::Kind::Array) || cookies->items.size() > kMaxSessionCookies) {
        return Refuse(refusal, "the cookies are no list, or more than " +
                                   std::to_string(kMaxSessionCookies));
    }
    for (std::size_t index = 0; index < cookies->items.size(); ++index) {
        win::inet::SessionCookie cookie;
        switch (CheckCookie(cookies->items[index], start.params, cookie)) {
            case CookieCheck::Take:
                start.cookies.push_back(std::move(cookie));
                break;
            case CookieCheck::Skip:
                break;
            case CookieCheck::Refuse:
                start.cookies.clear();
                return Refuse(refusal, "cookie " + std::to_string(index + 1) +
                                           " is not one the tab would send with a file of the page");
        }
    }
    return true;
}

bool ParseStart(const Value& message, BrowserStart& start, BrowserRefusal& refusal) {
    const std::string* url = StringMember(message, "url");
    const std::string* origin = StringMember(message, "origin");
    const Value* params = message.Find("params");
    if (url == nullptr || origin == nullptr || params == nullptr ||
        !params->Is(Value::Kind::Array) ||
        !OnlyMembers(message, {"type", "url", "origin", "params", "cookies"})) {
        return Refuse(refusal, "a start message needs exactly url, origin and params, and may "
                               "carry cookies");
    }
    if (url->size() > kMaxPageUrl || HasControlCharacter(*url) || !IsPageOfOrigin(*url, *origin)) {
        return Refuse(refusal, "the page's address is not an http(s) page of its origin");
    }
    start.pageUrl = *url;
    start.origin = *origin;
    std::set<std::string> seen;
    for (const Value& pair : params->items) {
        if (!ParseParam(pair, seen, start.params, refusal)) return false;
    }
    return ParseCookies(message.Find("cookies"), start, refusal);
}

bool ParseEvent(const std::string& type, BrowserMessageKind& kind) {
    static const std::pair<std::string_view, BrowserMessageKind> kEvents[] = {
        {"beforeunload", BrowserMessageKind::BeforeUnload},
        {"leave-question-open", BrowserMessageKind::LeaveQuestionOpen},
        {"leave-question-closed", BrowserMessageKind::LeaveQuestionClosed},
        {"pagehide", BrowserMessageKind::PageHide},
    };
    for (const auto& [name, event] : kEvents) {
        if (type == name) {
            kind = event;
            return true;
        }
    }
    return false;
}

const char* ResultName(BrowserRunResult result) {
    switch (result) {
        case BrowserRunResult::Success:
            return "success";
        case BrowserRunResult::Cancelled:
            return "cancelled";
        case BrowserRunResult::Refused:
            return "refused";
        case BrowserRunResult::Failed:
            break;
    }
    return "failed";
}

}  // namespace

bool ParseBrowserMessage(std::string_view text, BrowserMessage& message, BrowserRefusal& refusal) {
    message = BrowserMessage{};
    Value value;
    std::string error;
    if (!json::Parse(text, value, error)) return Refuse(refusal, "not JSON: " + error);
    const std::string* type = value.Is(Value::Kind::Object) ? StringMember(value, "type") : nullptr;
    if (type == nullptr) return Refuse(refusal, "a message without a type");
    if (*type == "start") {
        message.kind = BrowserMessageKind::Start;
        return ParseStart(value, message.start, refusal);
    }
    if (!ParseEvent(*type, message.kind) || value.members.size() != 1) {
        return Refuse(refusal, "an unknown message");
    }
    return true;
}

std::string GuardMessage(bool on) {
    return std::string(R"({"type":"guard","on":)") + (on ? "true" : "false") + "}";
}

std::string LeaveTextMessage(const std::string& text) {
    return R"({"type":"leave-text","text":)" + json::JsonString(text) + "}";
}

std::string EndMessage(BrowserRunResult result, const std::string& text, bool quit) {
    return std::string(R"({"type":"end","result":")") + ResultName(result) + R"(","text":)" +
           json::JsonString(text) + R"(,"quit":)" + (quit ? "true" : "false") + "}";
}
