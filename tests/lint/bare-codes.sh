#!/bin/bash
# Fails when product code writes a run error code or a string id as a bare
# number where it sets, compares or loads one: such numbers belong only in
# transfer/ErrorCodes.h and resources/StringIds.h.
# Usage: bare-codes.sh <source tree>
set -u
cd "$1" || exit 2
pattern='\bFail\([^,()]+(\(\))?, *[0-9]+|\.Set\( *[0-9]+[,)]|\b(Failed|FailedKeepingLastError)\( *[0-9]+'
pattern+='|\berrorCode *(==|!=|=) *[0-9]+|\bErrorCode\(\) *(==|!=) *[0-9]+'
pattern+='|\b(LoadString|FormatString|LoadQString|LoadStringUtf8|ShowMessageId)\( *[0-9]+'
found=$(grep -rnE "$pattern" --include='*.cpp' --include='*.h' \
            assistant control env host platform resources transfer ui tools)
if [ -n "$found" ]; then
    echo "Bare error codes or string ids; use the names in transfer/ErrorCodes.h" \
         "and resources/StringIds.h:"
    echo "$found"
    exit 1
fi
