// kivtool: a support tool over the engine. One result per call on standard
// output; exit 0 on success, 1 when the answer is a refusal, 2 on misuse.
#include <cstdio>
#include <string>

#include "tools/kivtool/Command.h"

namespace kivtool {

namespace {

void PrintUsage(std::FILE* stream) {
    std::fputs(
        "usage: kivtool COMMAND [ARGS]   (kivtool --version; man kivtool: each command)\n"
        "  explain TAG             what a box's code tag such as \"[D:301 E:404]\" means\n"
        "  message --phase P --code C [--last-error E] [--detail TEXT] [--broken NAME]...\n"
        "      the error message a run would show for a code in a phase\n"
        "  record list [FILE]      list the download records (changes nothing)\n"
        "  record set FILE KEY PATH TEXT NUMBER   add or replace a download record\n"
        "  record remove FILE KEY  remove a download record\n"
        "  paths                   the settings, records and runtime paths in use\n"
        "  probe URL               what the server says of a file: status, size, date\n"
        "  digest FILE             a file's SHA-256, as a page's hash parameter takes it\n"
        "  setting get-string|get-binary NAME          read a stored setting\n"
        "  setting set-string NAME TEXT | set-binary NAME HEX   change a stored setting\n"
        "  string ID               a text of the string table by its number\n"
        "  rate-time RATE SECONDS  the download dialog's rate and time lines\n"
        "  bytes DONE TOTAL        the download dialog's current-file bar text\n"
        "  valid-name TEXT         whether TEXT may be a file name (true/false)\n"
        "  valid-path TEXT         whether TEXT may be a file path (true/false)\n"
        "  upper-hex TEXT          whether TEXT is upper-case hexadecimal (true/false)\n"
        "  csv-fields LINE         a record line split into its fields\n"
        "Texts in either language: --lang en|ja (explain, message, string, rate-time,\n"
        "bytes); names as bytes: --hex [--codepage 932] (valid-name, valid-path,\n"
        "upper-hex). Exit status: 0 done, 1 refused (a false answer is 0), 2 misuse.\n",
        stream);
}

}  // namespace

int Usage(const std::string& problem) {
    if (!problem.empty()) std::fprintf(stderr, "kivtool: %s\n", problem.c_str());
    PrintUsage(stderr);
    return kMisuse;
}

}  // namespace kivtool

int main(int argc, char** argv) {
    using namespace kivtool;
    if (argc < 2) return Usage("");
    const std::string command = argv[1];
    const Args args(argv + 2, argv + argc);
    if (command == "valid-name" || command == "valid-path" || command == "upper-hex") {
        return RunNameCheck(command, args);
    }
    if (command == "csv-fields") return RunCsvFields(args);
    if (command == "record") return RunRecord(args);
    if (command == "setting") return RunSetting(args);
    if (command == "string") return RunString(args);
    if (command == "paths") return RunPaths(args);
    if (command == "digest") return RunDigest(args);
    if (command == "probe") return RunProbe(args);
    if (command == "message") return RunMessage(args);
    if (command == "rate-time") return RunRateTime(args);
    if (command == "bytes") return RunBytes(args);
    if (command == "explain") return RunExplain(args);
    if (command == "--version" || command == "-V") {
        std::printf("kivtool %s\n", KIV_VERSION);
        return kSuccess;
    }
    if (command == "--help" || command == "-h" || command == "help") {
        PrintUsage(stdout);
        return kSuccess;
    }
    return Usage("unknown command '" + command + "'");
}
