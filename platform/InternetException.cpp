#include "platform/InternetException.h"

namespace win {

CInternetException::CInternetException(DWORD error, DWORD_PTR context)
    : error_(error), context_(context), text_("internet error " + std::to_string(error)) {}

}  // namespace win
