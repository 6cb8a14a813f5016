#pragma once
// One value for a placeholder: %s takes text, %d/%2d/%03d/%ld take integers,
// %I64d/%I64u take 64-bit values, %% takes none.
#include <concepts>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace res {

// A variant that any integer type converts to without a cast: signed types
// become long long, unsigned ones (DWORD, size_t, ULONGLONG) unsigned long long.
// A plain variant would reject DWORD as ambiguous between the two.
struct FormatArg : std::variant<long long, unsigned long long, std::string> {
    template <std::signed_integral T>
    FormatArg(T value) : variant(static_cast<long long>(value)) {}
    template <std::unsigned_integral T>
    FormatArg(T value) : variant(static_cast<unsigned long long>(value)) {}
    FormatArg(std::string text) : variant(std::move(text)) {}
    FormatArg(std::string_view text) : variant(std::string(text)) {}
    FormatArg(const char* text) : variant(std::string(text != nullptr ? text : "")) {}
};

}  // namespace res
