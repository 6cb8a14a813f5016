// setting get-string/get-binary/set-string/set-binary: the product's two
// per-user values (or any name) under its settings key, through the same
// operations the engine uses.
#include <cstdio>
#include <vector>

#include "env/Application.h"
#include "env/Settings.h"
#include "tools/kivtool/Command.h"
#include "tools/kivtool/Hex.h"

namespace kivtool {
namespace {

int GetString(const std::string& name) {
    std::string text;
    if (!env::ReadSettingString(env::GetCompanyName(), env::GetProductName(), name, text)) {
        return kRefused;
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    return kSuccess;
}

int GetBinary(const std::string& name) {
    const std::string company = env::GetCompanyName();
    const std::string product = env::GetProductName();
    win::DWORD size = 0;
    if (!env::ReadSettingBinary(company, product, name, nullptr, size)) return kRefused;
    std::vector<unsigned char> bytes(size);
    if (!env::ReadSettingBinary(company, product, name, bytes.data(), size)) return kRefused;
    const std::string hex =
        EncodeHex(std::string_view(reinterpret_cast<const char*>(bytes.data()), size));
    std::puts(hex.c_str());
    return kSuccess;
}

int SetString(const std::string& name, const std::string& text) {
    return env::WriteSettingString(env::GetCompanyName(), env::GetProductName(), name, text)
               ? kSuccess
               : kRefused;
}

int SetBinary(const std::string& name, const std::string& hex) {
    std::string bytes;
    if (!DecodeHex(hex, bytes)) return Usage("HEX must be pairs of hexadecimal digits");
    return env::WriteSettingBinary(env::GetCompanyName(), env::GetProductName(), name, bytes.data(),
                                   static_cast<win::DWORD>(bytes.size()))
               ? kSuccess
               : kRefused;
}

}  // namespace

int RunSetting(const Args& args) {
    if (args.size() == 2 && args[0] == "get-string") return GetString(args[1]);
    if (args.size() == 2 && args[0] == "get-binary") return GetBinary(args[1]);
    if (args.size() == 3 && args[0] == "set-string") return SetString(args[1], args[2]);
    if (args.size() == 3 && args[0] == "set-binary") return SetBinary(args[1], args[2]);
    return Usage(
        "setting takes get-string NAME, get-binary NAME, set-string NAME TEXT or "
        "set-binary NAME HEX");
}

}  // namespace kivtool
