// kivwindowfrontend.so's one export: the table frontends/window/loader/WindowFrontEndLibrary.h
// describes, for kiv-downloader and the assistant program.
#include "frontends/window/StandinWindowQuestions.h"
#include "frontends/window/WindowFrontEnd.h"
#include "frontends/window/loader/WindowFrontEndLibrary.h"

using kivcontrol::ExistingFiles;

namespace {

std::unique_ptr<IWindowQuestions> MakeWindowQuestions(const std::string& destination,
                                                      ExistingFiles existing) {
    return std::make_unique<CStandinWindowQuestions>(destination, existing);
}

constexpr WindowFrontEndApi kApi{kWindowFrontEndLayout, MakeWindowFrontEnd, MakeBrowserFrontEnd,
                                 MakeWindowQuestions};

}  // namespace

extern "C" __attribute__((visibility("default"))) const WindowFrontEndApi* KivWindowFrontEnd() {
    return &kApi;
}
