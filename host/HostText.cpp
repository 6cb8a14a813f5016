#include "host/HostText.h"

#include "platform/Language.h"
#include "resources/StringTable.h"

std::string HostText(unsigned id, std::initializer_list<res::FormatArg> args) {
    return res::FormatText(res::LoadStringUtf8(id, win::UserLanguage()), args);
}
