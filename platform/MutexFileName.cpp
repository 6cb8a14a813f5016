#include "platform/MutexFileName.h"

#include <cstdint>
#include <cstdio>

#include "platform/CodePage.h"

namespace win {

namespace {

constexpr std::string_view kFilePrefix = "mutex-";
constexpr std::string_view kFileSuffix = ".lock";
constexpr std::size_t kNameMax = 255;
constexpr std::size_t kKeptEncodedBytes = 120;

bool IsPlainByte(unsigned char byte) {
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
           (byte >= '0' && byte <= '9') || byte == '.' || byte == '_' || byte == '-';
}

std::string PercentEncoded(std::string_view bytes) {
    std::string encoded;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (IsPlainByte(byte)) {
            encoded += c;
        } else {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", byte);
            encoded += escape;
        }
    }
    return encoded;
}

// FNV-1a, once forwards and once backwards with another basis: stable
// across builds and processes, which std::hash does not promise.
std::uint64_t Fnv1a(std::string_view bytes, std::uint64_t hash, bool backwards) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = backwards ? bytes[bytes.size() - 1 - i] : bytes[i];
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

std::string HashText(std::string_view bytes) {
    char text[40];
    std::snprintf(text, sizeof text, "%016llx%016llx",
                  static_cast<unsigned long long>(Fnv1a(bytes, 0xcbf29ce484222325ULL, false)),
                  static_cast<unsigned long long>(Fnv1a(bytes, 0x6c62272e07bb0142ULL, true)));
    return text;
}

}  // namespace

std::string_view MutexKey(std::string_view name) {
    for (std::string_view prefix : {std::string_view("Local\\"), std::string_view("Global\\")}) {
        if (name.substr(0, prefix.size()) == prefix) {
            return name.substr(prefix.size());
        }
    }
    return name;
}

std::string MutexLockFileName(std::string_view key) {
    // The same name gives the same file whatever code page a process uses.
    std::string utf8;
    if (!ProcessToUtf8(key, utf8)) {
        utf8.assign(key);
    }
    std::string encoded = PercentEncoded(utf8);
    if (kFilePrefix.size() + encoded.size() + kFileSuffix.size() > kNameMax) {
        encoded = encoded.substr(0, kKeptEncodedBytes) + "~" + HashText(utf8);
    }
    return std::string(kFilePrefix) + encoded + std::string(kFileSuffix);
}

}  // namespace win
