// A library that someone else planted as the control's registration: its
// constructor would run on dlopen, before any check of its entry points. It
// leaves a mark file (named by KIV_PLANTED_MODULE_MARK) when it is loaded.
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

namespace {

__attribute__((constructor)) void MarkLoaded() {
    const char* mark = std::getenv("KIV_PLANTED_MODULE_MARK");
    if (mark == nullptr) return;
    const int fd = open(mark, O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0) close(fd);
}

}  // namespace
