#include "host/PageParser.h"

#include <gumbo.h>

#include <charconv>
#include <memory>
#include <vector>

#include "control/ControlIds.h"
#include "control/module/KivDownloadControlApi.h"
#include "host/HostText.h"
#include "platform/CodePage.h"

namespace {

// The parser keeps a copy of its stack of open elements with every parse
// error; unbounded, that is memory in the square of the nesting depth.
constexpr int kMaxRecordedErrors = 100;
constexpr int kMaxPixels = 100000;

struct GumboDeleter {
    const GumboOptions* options;
    void operator()(GumboOutput* output) const { gumbo_destroy_output(options, output); }
};
using GumboPtr = std::unique_ptr<GumboOutput, GumboDeleter>;

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

std::size_t CountStartTags(std::string_view text) {
    std::size_t tags = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        const char next = LowerAscii(text[i + 1]);
        if (text[i] == '<' && next >= 'a' && next <= 'z') ++tags;
    }
    return tags;
}

const char* Attribute(const GumboElement& element, const char* name) {
    const GumboAttribute* attribute = gumbo_get_attribute(&element.attributes, name);
    return attribute != nullptr ? attribute->value : nullptr;
}

bool IsHtmlElement(const GumboNode* node, GumboTag tag) {
    return node->type == GUMBO_NODE_ELEMENT && node->v.element.tag == tag &&
           node->v.element.tag_namespace == GUMBO_NAMESPACE_HTML;
}

bool NamesControl(const GumboElement& object) {
    if (const char* classId = Attribute(object, "classid")) {
        const std::string_view text = Trim(classId);
        win::GUID guid;
        if (StartsWithNoCase(text, "clsid:")) {
            return com::ParseRegistryGuid(Trim(text.substr(6)), guid) &&
                   guid == com::CLSID_KivDownloadController;
        }
        if (StartsWithNoCase(text, "progid:"))
            return EqualsNoCase(Trim(text.substr(7)), kControlProgId);
    }
    const char* type = Attribute(object, "type");
    return type != nullptr && EqualsNoCase(Trim(type), kControlProgId);
}

// Every node below `root` in document order, without recursion (pages may nest
// deeply); `enter` decides whether an element's children are visited.
template <class Visit, class Enter>
void WalkTree(const GumboNode* root, Visit visit, Enter enter) {
    std::vector<const GumboNode*> pending{root};
    while (!pending.empty()) {
        const GumboNode* node = pending.back();
        pending.pop_back();
        if (visit(node)) return;
        if (node->type != GUMBO_NODE_ELEMENT || !enter(node)) continue;
        const GumboVector& children = node->v.element.children;
        for (unsigned i = children.length; i > 0; --i) {
            pending.push_back(static_cast<const GumboNode*>(children.data[i - 1]));
        }
    }
}

const GumboNode* FindNode(const GumboNode* root, bool (*match)(const GumboNode*)) {
    const GumboNode* found = nullptr;
    WalkTree(
        root,
        [&](const GumboNode* node) {
            if (match(node)) found = node;
            return found != nullptr;
        },
        [](const GumboNode*) { return true; });
    return found;
}

// The source had at least one tag of its own (the parser adds html, head and
// body to any text).
bool HasSourceElement(const GumboNode* root) {
    return FindNode(root, [](const GumboNode* node) {
               return node->type == GUMBO_NODE_ELEMENT && node->v.element.original_tag.length > 0;
           }) != nullptr;
}

std::string CollapseBlanks(std::string_view text) {
    std::string collapsed;
    for (char c : Trim(text)) {
        if (!IsBlank(c)) {
            collapsed += c;
        } else if (!collapsed.empty() && collapsed.back() != ' ') {
            collapsed += ' ';
        }
    }
    return collapsed;
}

std::string TitleText(const GumboNode* root) {
    const GumboNode* title =
        FindNode(root, [](const GumboNode* node) { return IsHtmlElement(node, GUMBO_TAG_TITLE); });
    if (title == nullptr) return {};
    std::string text;
    const GumboVector& children = title->v.element.children;
    for (unsigned i = 0; i < children.length; ++i) {
        const auto* child = static_cast<const GumboNode*>(children.data[i]);
        if (child->type == GUMBO_NODE_TEXT || child->type == GUMBO_NODE_WHITESPACE) {
            text += child->v.text.text;
        }
    }
    return CollapseBlanks(text);
}

// Pixels from "600" or "600px"; nothing for percentages and anything else.
std::optional<int> Pixels(const char* attribute) {
    if (attribute == nullptr) return std::nullopt;
    std::string_view text = Trim(attribute);
    if (text.size() > 2 && EqualsNoCase(text.substr(text.size() - 2), "px")) {
        text.remove_suffix(2);
    }
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0 ||
        value > kMaxPixels) {
        return std::nullopt;
    }
    return value;
}

// The object's <param> elements, not those of an object nested in it.
HostPage::Params CollectParams(const GumboNode* object) {
    HostPage::Params params;
    WalkTree(
        object,
        [&](const GumboNode* node) {
            if (IsHtmlElement(node, GUMBO_TAG_PARAM)) {
                const char* name = Attribute(node->v.element, "name");
                const char* value = Attribute(node->v.element, "value");
                if (name != nullptr) params.emplace_back(name, value != nullptr ? value : "");
            }
            return false;
        },
        [object](const GumboNode* node) {
            return node == object || !IsHtmlElement(node, GUMBO_TAG_OBJECT);
        });
    return params;
}

bool ToProcessCodePage(std::string& text) {
    std::string converted;
    if (!win::Utf8ToProcess(text, converted)) return false;
    text = std::move(converted);
    return true;
}

bool ConvertTexts(HostPage& page, std::string& error) {
    if (!ToProcessCodePage(page.title)) page.title.clear();  // only shown, never needed
    for (auto& [name, value] : page.params) {
        if (!ToProcessCodePage(name) || !ToProcessCodePage(value)) {
            error = HostText(textid::kParamNotInCodePage, {name});
            return false;
        }
    }
    return true;
}

}  // namespace

bool ParsePageHtml(std::string_view utf8, HostPage& page, std::string& error) {
    if (utf8.find('\0') != std::string_view::npos) {
        error = HostText(textid::kBinaryPage);
        return false;
    }
    if (CountStartTags(utf8) > kMaxPageTags) {
        error = HostText(textid::kTooManyTags, {kMaxPageTags});
        return false;
    }
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = kMaxRecordedErrors;
    GumboPtr output(gumbo_parse_with_options(&options, utf8.data(), utf8.size()),
                    GumboDeleter{&options});
    if (!output || !HasSourceElement(output->root)) {
        error = HostText(textid::kNoTags);
        return false;
    }
    const GumboNode* object = FindNode(output->root, [](const GumboNode* node) {
        return IsHtmlElement(node, GUMBO_TAG_OBJECT) && NamesControl(node->v.element);
    });
    if (object == nullptr) {
        error = std::string("the page has no <object> for the control (classid \"clsid:") +
                kControlClassId + "\" or ProgID " + kControlProgId + ")";
        return false;
    }
    page.title = TitleText(output->root);
    page.params = CollectParams(object);
    page.width = Pixels(Attribute(object->v.element, "width"));
    page.height = Pixels(Attribute(object->v.element, "height"));
    return ConvertTexts(page, error);
}
