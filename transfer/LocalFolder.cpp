#include "transfer/LocalFolder.h"

#include "platform/CodePage.h"

namespace kivtransfer {

std::string LocalFolder(std::string_view path) {
    std::size_t end = 0;
    for (std::size_t pos = 0; pos < path.size(); pos = win::CharNext(path, pos)) {
        if (path[pos] == '\\') {
            end = pos + 1;
        }
    }
    return std::string(path.substr(0, end));
}

}  // namespace kivtransfer
