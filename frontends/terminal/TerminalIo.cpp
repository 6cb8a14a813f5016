#include "frontends/terminal/TerminalIo.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstring>

namespace kivterm {

TerminalIo DetectTerminalIo(const char* term) {
    TerminalIo io;
    const bool dumb = term != nullptr && std::strcmp(term, "dumb") == 0;
    io.liveDisplay = ::isatty(io.err) != 0 && !dumb;
    if (::isatty(0) == 0) return io;
    const int tty = ::open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (tty >= 0) {
        io.in = tty;
        io.prompt = tty;
    } else {
        io.in = 0;
        io.prompt = io.err;
    }
    return io;
}

std::size_t TerminalColumns(const TerminalIo& io) {
    winsize size{};
    if (io.askColumns && ::ioctl(io.err, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
    return io.fallbackColumns;
}

}  // namespace kivterm
