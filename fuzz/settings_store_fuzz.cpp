// The settings store's text, as a hostile or torn user.reg or low.reg could
// hold it. Beyond not crashing or hanging: whatever parses writes out as a
// store that parses again and writes out the same, so no rewrite of a file
// ever loses or changes what the previous one kept; and every value the
// first reading found is found again, with its type and bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/RegistryFile.h"

namespace {

using win::registry::Document;
using win::registry::Entry;
using win::registry::Section;

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// The values of named keys, in file order, as one comparable text.
std::string ValuesOf(const Document& document) {
    std::string values;
    for (const Section& section : document.sections) {
        if (section.path.empty()) continue;
        values += section.headerLine + '\n';
        for (const Entry& entry : section.entries) {
            if (!entry.value) continue;
            values += entry.value->name + '\0' + std::to_string(entry.value->type) + '\0' +
                      entry.value->data + '\n';
        }
    }
    return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Document first;
    if (!win::registry::ParseRegistryText(text, first)) {
        return 0;
    }
    const std::string written = win::registry::FormatRegistryText(first);
    Document second;
    Check(win::registry::ParseRegistryText(written, second));
    Check(ValuesOf(second) == ValuesOf(first));
    Check(win::registry::FormatRegistryText(second) == written);
    return 0;
}
