#include "platform/InternetException.h"

namespace win {

CInternetException::CInternetException(DWORD error, DWORD_PTR context, std::string detail)
    : error_(error),
      context_(context),
      detail_(std::move(detail)),
      text_("internet error " + std::to_string(error)) {}

}  // namespace win
