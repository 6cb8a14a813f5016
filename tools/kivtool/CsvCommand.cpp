// csv-fields LINE: the fields the record-row parser gives, trimming on.
#include <cstdio>

#include "platform/Json.h"
#include "tools/kivtool/Command.h"
#include "transfer/CSVParser.h"

using kivtransfer::CCSVParser;

namespace kivtool {

int RunCsvFields(const Args& args) {
    if (args.size() != 1) return Usage("csv-fields takes one LINE");
    CCSVParser parser;
    parser.SetTrim(true);
    parser.SetLine(args[0]);
    std::vector<std::string> fields;
    if (!parser.Parse(fields)) return kRefused;
    std::string json = "[";
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) json += ',';
        json += json::JsonString(fields[i]);
    }
    json += ']';
    std::puts(json.c_str());
    return kSuccess;
}

}  // namespace kivtool
