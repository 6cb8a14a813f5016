#pragma once
// The framework's internet exception: every failing internet call throws it
// with the WinINet error number (InternetErrors.h) and the request's context
// value, and for some a detail text for the user (a refused redirect names
// both URLs). Time-outs and cancellation of a body read are results, not
// exceptions (CHttpFile::Read); running out of memory throws std::bad_alloc.
#include <exception>
#include <string>

#include "platform/InternetConstants.h"
#include "platform/WinTypes.h"

namespace win {

class CInternetException : public std::exception {
public:
    explicit CInternetException(DWORD error, DWORD_PTR context = 1, std::string detail = {});

    DWORD ErrorNumber() const { return error_; }
    DWORD_PTR Context() const { return context_; }
    const std::string& Detail() const { return detail_; }
    const char* what() const noexcept override { return text_.c_str(); }

private:
    DWORD error_;
    DWORD_PTR context_;
    std::string detail_;
    std::string text_;
};

}  // namespace win
