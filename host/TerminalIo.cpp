#include "host/TerminalIo.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace kivterm {

TerminalIo DetectTerminalIo() {
    TerminalIo io;
    io.outIsTerminal = ::isatty(io.out) != 0;
    if (::isatty(0) == 0) return io;
    const int tty = ::open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (tty >= 0) {
        io.in = tty;
        io.prompt = tty;
    } else {
        io.in = 0;
        io.prompt = io.outIsTerminal ? io.out : io.err;
    }
    return io;
}

std::size_t TerminalColumns(const TerminalIo& io) {
    winsize size{};
    if (io.askColumns && ::ioctl(io.out, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
    return io.fallbackColumns;
}

}  // namespace kivterm
