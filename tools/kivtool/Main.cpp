// kivtool: a support tool over the engine. One result per call on standard
// output; exit 0 on success, 1 when the answer is a refusal, 2 on misuse.
#include <cstdio>
#include <string>

#include "tools/kivtool/Command.h"

namespace kivtool {

int Usage(const std::string& problem) {
    if (!problem.empty()) std::fprintf(stderr, "kivtool: %s\n", problem.c_str());
    std::fputs(
        "usage:\n"
        "  kivtool valid-name TEXT [--hex] [--codepage 932]\n"
        "  kivtool valid-path TEXT [--hex] [--codepage 932]\n"
        "  kivtool upper-hex TEXT [--hex] [--codepage 932]\n"
        "  kivtool csv-fields LINE\n"
        "  kivtool record list [FILE]\n"
        "  kivtool record set FILE KEY PATH TEXT NUMBER\n"
        "  kivtool record remove FILE KEY\n"
        "  kivtool setting get-string NAME | get-binary NAME\n"
        "  kivtool setting set-string NAME TEXT | set-binary NAME HEX\n"
        "  kivtool string ID [--lang en|ja]\n"
        "  kivtool paths\n"
        "  kivtool digest FILE\n"
        "  kivtool probe URL\n"
        "  kivtool message --phase P --code C [--last-error E] [--detail TEXT]\n"
        "                  [--broken NAME]... [--lang en|ja]\n"
        "      E is decimal or 0x hexadecimal; each NAME is a corrupted file. Prints\n"
        "      the error message followed by one line break; exit 1 and nothing\n"
        "      printed when no message would be shown (codes 0 and 1).\n"
        "  kivtool rate-time RATE SECONDS [--lang en|ja]\n"
        "      the download dialog's rate and time lines for RATE KB/s and SECONDS\n"
        "      left (-1 keep, -2 clear, -3 recalculating); '-' for a field a fresh\n"
        "      dialog would leave unchanged.\n"
        "  kivtool bytes DONE TOTAL [--lang en|ja]\n"
        "      the current-file bar text; '-' when TOTAL is 0 (the bar keeps its text).\n",
        stderr);
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
    if (command == "--help" || command == "help") {
        Usage("");
        return kSuccess;
    }
    return Usage("unknown command '" + command + "'");
}
