#include "control/ParameterLoad.h"

#include <new>
#include <optional>
#include <unordered_set>
#include <utility>

#include "control/ParameterRules.h"
#include "env/PathRules.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "transfer/ErrorCodes.h"

namespace kivcontrol {

using kivtransfer::CONTENTDATA;
using kivtransfer::ErrorState;

namespace {

constexpr std::size_t kMaxCaptionLength = 64;
constexpr std::size_t kMaxUrlLength = 2084;
constexpr std::int32_t kMaxItems = 255;
constexpr std::size_t kHashLength = 64;

// Ends the load; carries the refused parameter's name.
struct ParameterRefused {
    std::string name;
};

// Ends the load after the single-instance check has recorded its own code.
struct InstanceRefused {};

std::string ItemParameter(const char* base, std::int32_t number) {
    return base + std::to_string(number);
}

void Require(bool accepted, const CParameterSet& parameters) {
    if (!accepted) throw ParameterRefused{parameters.RejectedName()};
}

void ReadCaption(ParameterLoadResult& result, const ParameterLoadHooks& hooks) {
    result.caption = res::LoadString(textid::kProductName);
    if (result.parameters.ReadText("caption", PV_OPTIONAL, kMaxCaptionLength)) {
        const std::string caption = result.parameters.LookupText("caption");
        if (!caption.empty()) result.caption = caption;
    }
    if (hooks.captionChosen) hooks.captionChosen(result.caption);
}

void CheckSingleInstance(ParameterLoadResult& result, const ParameterLoadHooks& hooks,
                         ErrorState& error) {
    if (!hooks.singleInstanceCheck || hooks.singleInstanceCheck(error)) return;
    result.aborted = true;
    if (error.errorCode == errcode::kNone) error.Set(errcode::kInternalError);
    throw InstanceRefused{};
}

void ReadItemCount(ParameterLoadResult& result) {
    // -1 and 0 pass the bounds but are no count of files either.
    result.parameters.ReadNumber("contentscount", false, -1, kMaxItems);
    result.itemCount = result.parameters.LookupNumber("contentscount");
    if (result.itemCount < 1) throw ParameterRefused{"contentscount"};
}

// The refused count's value and the range a page may give, in place of the
// bare name: "0" and "1000" otherwise read the same. The value is the page's:
// shown short.
std::string ItemCountDetail(const IPropertyBag& bag) {
    constexpr std::size_t kShownLength = 16;
    const std::optional<std::string> text = bag.Read("contentscount");
    std::string value = text ? text->substr(0, kShownLength) : std::string();
    if (text && text->size() > kShownLength) value += "...";
    return res::FormatString(textid::kItemCountInvalid, {value, kMaxItems});
}

// File names the items before this one take, as the file system compares them.
using TakenNames = std::unordered_set<std::string>;

void ReadItem(ParameterLoadResult& result, std::int32_t number, TakenNames& taken) {
    CParameterSet& parameters = result.parameters;
    // Owned by the list before any check, so a refusal leaves nothing loose.
    CONTENTDATA& item = *result.items.emplace_back(std::make_unique<CONTENTDATA>());

    const std::string cname = ItemParameter("cname", number);
    parameters.ReadText(cname, PV_OPTIONAL, 0);
    item.name = parameters.LookupText(cname);
    if (!env::IsValidFileName(item.name)) item.name.clear();

    const std::string curl = ItemParameter("curl", number);
    Require(parameters.ReadText(curl, PV_URL, kMaxUrlLength), parameters);
    item.url = parameters.LookupText(curl);

    const std::string& namedBy = item.name.empty() ? curl : cname;
    if (item.name.empty()) {
        // A derived name that cannot be a file name is the page's naming fault.
        item.name = FileNameFromUrl(item.url);
        if (!env::IsValidFileName(item.name)) throw ParameterRefused{cname};
    }
    // Two items in one file: the later one would overwrite the earlier, or
    // the check of one would delete the other as broken.
    if (!taken.insert(FileSystemNameKey(item.name)).second) throw ParameterRefused{namedBy};

    const std::string hash = ItemParameter("hash", number);
    Require(parameters.ReadText(hash, PV_OPTIONAL | PV_SHA256, 0), parameters);
    item.hash = parameters.LookupText(hash);
}

void ReadItems(ParameterLoadResult& result) {
    result.items.clear();
    result.items.reserve(static_cast<std::size_t>(result.itemCount));
    TakenNames taken;
    for (std::int32_t number = 1; number <= result.itemCount; ++number) {
        ReadItem(result, number, taken);
    }
}

void ReadPageLinks(ParameterLoadResult& result) {
    CParameterSet& parameters = result.parameters;
    // An unusable support page is simply left out.
    parameters.ReadText("supporturl", PV_OPTIONAL | PV_URL, kMaxUrlLength);
    parameters.ReadText("playbutton", PV_OPTIONAL, 0);
    Require(parameters.ReadText("helplink", PV_OPTIONAL | PV_URL, kMaxUrlLength), parameters);
    result.helpLink = parameters.LookupText("helplink");
}

void RunLoad(ParameterLoadResult& result, const ParameterLoadHooks& hooks, ErrorState& error) {
    ReadCaption(result, hooks);
    CheckSingleInstance(result, hooks, error);
    if (hooks.resetCancel) hooks.resetCancel();
    ReadItemCount(result);
    ReadItems(result);
    ReadPageLinks(result);
}

// Keeps the bag attached only while the load reads from it.
class BagAttachment {
public:
    BagAttachment(CParameterSet& parameters, const IPropertyBag& bag) : parameters_(parameters) {
        parameters_.Attach(&bag);
    }
    ~BagAttachment() { parameters_.Attach(nullptr); }
    BagAttachment(const BagAttachment&) = delete;
    BagAttachment& operator=(const BagAttachment&) = delete;

private:
    CParameterSet& parameters_;
};

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

// "1" to "255", as "%s%d" writes an item's number.
bool IsItemNumber(std::string_view digits) {
    if (digits.empty() || digits.size() > 3 || digits.front() == '0') return false;
    int number = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + (c - '0');
    }
    return number <= kMaxItems;
}

}  // namespace

bool FindControlParameter(std::string_view name, std::size_t& maxLength) {
    struct Limit {
        std::string_view name;
        std::size_t maxLength;
        bool perItem;
    };
    static constexpr Limit kLimits[] = {
        {"caption", kMaxCaptionLength, false}, {"contentscount", 0, false},
        {"supporturl", kMaxUrlLength, false},  {"playbutton", 0, false},
        {"helplink", kMaxUrlLength, false},    {"cname", 0, true},
        {"curl", kMaxUrlLength, true},         {"hash", kHashLength, true},
    };
    const std::string lower = LowerAscii(name);
    for (const Limit& limit : kLimits) {
        const std::string_view view(lower);
        if (!view.starts_with(limit.name)) continue;
        const std::string_view rest = view.substr(limit.name.size());
        if (limit.perItem ? IsItemNumber(rest) : rest.empty()) {
            maxLength = limit.maxLength;
            return true;
        }
    }
    return false;
}

bool LoadParameters(const IPropertyBag& bag, const ParameterLoadHooks& hooks,
                    ParameterLoadResult& result, ErrorState& error) {
    BagAttachment attachment(result.parameters, bag);
    try {
        RunLoad(result, hooks, error);
        return true;
    } catch (ParameterRefused& refused) {
        if (error.errorCode == errcode::kNone) {
            error.Set(errcode::kBadParameter);
            if (refused.name == "contentscount") {
                try {
                    error.errorDetail = ItemCountDetail(bag);
                } catch (const std::bad_alloc&) {
                    error.errorDetail = std::move(refused.name);
                }
            } else {
                error.errorDetail = std::move(refused.name);  // a move: nothing to allocate here
            }
        }
    } catch (const InstanceRefused&) {
    } catch (const std::bad_alloc&) {
        if (error.errorCode == errcode::kNone) error.Set(errcode::kOutOfMemory);
    }
    return false;
}

}  // namespace kivcontrol
