// probe URL: the size query as the engine makes it (HEAD with the product's
// User-Agent, only 200 and 206 accepted, redirects followed), with what the
// server answered; on failure the code tag and the text a user would read.
#include <cinttypes>
#include <cstdio>
#include <string>

#include "control/ErrorCodeTexts.h"
#include "control/ErrorMessage.h"
#include "env/Locations.h"
#include "tools/headless/HeadlessControl.h"
#include "tools/kivtool/Command.h"
#include "transfer/HttpTransfer.h"

using kivcontrol::CodeTag;
using kivcontrol::CodeText;
using kivcontrol::TextForCode;

using kivtransfer::CONTENTDATA;
using kivtransfer::ErrorState;
using kivtransfer::SizeQuery;
using kivtransfer::SizeQueryAnswer;

namespace kivtool {
namespace {

void PrintFailure(const ErrorState& error) {
    const CodeText codeText = TextForCode(error);
    std::string text = codeText.text;
    if (codeText.systemText && error.lastError != 0) {
        text += env::GetSystemErrorText(error.lastError);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    std::printf("%s\n%s\n", CodeTag(error.errorCode, error.lastError).c_str(), text.c_str());
}

}  // namespace

int RunProbe(const Args& args) {
    if (args.size() != 1) return Usage("probe takes one URL");
    CHeadlessControl control;
    CONTENTDATA item;  // size 0 when the server gives no usable Content-Length
    SizeQueryAnswer answer;
    if (!SizeQuery(control, args[0], item, &answer)) {
        PrintFailure(control.Error());
        return kRefused;
    }
    std::printf("status %u\nsize %" PRIu64 "\nlast-modified %s\ncontent-type %s\n", answer.status,
                item.size, item.lastModified.c_str(), answer.contentType.c_str());
    return kSuccess;
}

}  // namespace kivtool
