// kivdownloadcontrol: the stand-in for the control's assistant program.
#include <exception>
#include <iostream>

#include "programs/assistant/StandinProgram.h"

int main() {
    try {
        return RunStandin();
    } catch (const std::exception& failure) {
        std::cerr << "kivdownloadcontrol: " << failure.what() << "\n";
        return 1;
    }
}
