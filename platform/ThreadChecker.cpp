#include "platform/ThreadChecker.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace win {

void CThreadChecker::Check(const char* member) const {
    const std::thread::id caller = std::this_thread::get_id();
    std::thread::id owner;  // none: bind to the caller
    if (owner_.compare_exchange_strong(owner, caller) || owner == caller) return;
    std::ostringstream message;
    message << member << " called on thread " << caller << "; its object belongs to thread "
            << owner << "\n";
    std::fputs(message.str().c_str(), stderr);
    std::abort();
}

}  // namespace win
