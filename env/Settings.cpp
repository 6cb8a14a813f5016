#include "env/Settings.h"

#include "platform/LastError.h"
#include "platform/Registry.h"

namespace env {

namespace {

constexpr win::REGSAM kReadWrite = win::KEY_READ | win::KEY_WRITE;

bool HasNames(std::string_view company, std::string_view product, std::string_view valueName) {
    if (company.empty() || product.empty() || valueName.empty()) {
        win::SetLastError(win::ERROR_INVALID_PARAMETER);
        return false;
    }
    return true;
}

// True for ERROR_SUCCESS; any other code becomes the last error.
bool Succeeded(win::LONG code) {
    if (code == static_cast<win::LONG>(win::ERROR_SUCCESS)) return true;
    win::SetLastError(static_cast<win::DWORD>(code));
    return false;
}

bool Refuse(win::DWORD code) {
    win::SetLastError(code);
    return false;
}

bool IsStringType(win::DWORD type) {
    return type == win::REG_SZ || type == win::REG_EXPAND_SZ;
}

}  // namespace

win::CRegKey OpenSettingsKey(std::string_view company, std::string_view product) {
    if (company.empty() || product.empty()) {
        win::SetLastError(win::ERROR_INVALID_PARAMETER);
        return {};
    }
    std::string subKey = "Software\\" + std::string(company) + "\\" + std::string(product);
    win::HKEY key = nullptr;
    if (!Succeeded(win::RegCreateKeyEx(win::HKEY_CURRENT_USER, subKey, win::REG_OPTION_NON_VOLATILE,
                                       kReadWrite, &key))) {
        return {};
    }
    return win::CRegKey(key);
}

bool WriteSettingString(std::string_view company, std::string_view product,
                        std::string_view valueName, std::string_view text) {
    if (!HasNames(company, product, valueName)) return false;
    win::CRegKey key = OpenSettingsKey(company, product);
    if (!key) return false;
    std::string data(text);
    data += '\0';
    return Succeeded(win::RegSetValueEx(key.Get(), valueName, win::REG_SZ,
                                        reinterpret_cast<const win::BYTE*>(data.data()),
                                        static_cast<win::DWORD>(data.size())));
}

bool WriteSettingBinary(std::string_view company, std::string_view product,
                        std::string_view valueName, const void* bytes, win::DWORD byteCount) {
    if (!HasNames(company, product, valueName)) return false;
    if (!bytes && byteCount > 0) return Refuse(win::ERROR_INVALID_PARAMETER);
    win::CRegKey key = OpenSettingsKey(company, product);
    if (!key) return false;
    return Succeeded(win::RegSetValueEx(key.Get(), valueName, win::REG_BINARY,
                                        static_cast<const win::BYTE*>(bytes), byteCount));
}

bool ReadSettingString(std::string_view company, std::string_view product,
                       std::string_view valueName, std::string& text) {
    if (!HasNames(company, product, valueName)) return false;
    win::CRegKey key = OpenSettingsKey(company, product);
    if (!key) return false;
    win::DWORD type = 0;
    win::DWORD size = 0;
    if (!Succeeded(win::RegQueryValueEx(key.Get(), valueName, &type, nullptr, &size))) {
        return false;
    }
    if (!IsStringType(type)) return Refuse(win::ERROR_INVALID_DATA);
    std::string data(size, '\0');
    auto* buffer = reinterpret_cast<win::BYTE*>(data.data());
    if (!Succeeded(win::RegQueryValueEx(key.Get(), valueName, &type, buffer, &size))) {
        return false;
    }
    // The value may have been replaced by another process between the two queries.
    if (!IsStringType(type)) return Refuse(win::ERROR_INVALID_DATA);
    data.resize(size);
    if (!data.empty() && data.back() != '\0') return Refuse(win::ERROR_INVALID_DATA);
    text.assign(data.c_str());
    return true;
}

bool ReadSettingBinary(std::string_view company, std::string_view product,
                       std::string_view valueName, void* buffer, win::DWORD& byteCount) {
    if (!HasNames(company, product, valueName)) return false;
    win::CRegKey key = OpenSettingsKey(company, product);
    if (!key) return false;
    win::DWORD type = 0;
    if (!Succeeded(win::RegQueryValueEx(key.Get(), valueName, &type,
                                        static_cast<win::BYTE*>(buffer), &byteCount))) {
        return false;
    }
    return type == win::REG_BINARY || Refuse(win::ERROR_INVALID_DATA);
}

}  // namespace env
