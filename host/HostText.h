#pragma once
// The host's own texts (page loading, module loading, the command line's
// folder) from the string tables, in the user's language and in UTF-8: they
// go to a terminal or into Qt, whatever the process code page is.
#include <initializer_list>
#include <string>

#include "resources/FormatArg.h"

// The host's ids in the string tables, 300 on; the texts are in
// resources/strings_en.inc and strings_ja.inc.
enum HostTextId : unsigned {
    kTextCreateFolderQuestion = 300,
    kTextFolderNotCreated = 301,
    kTextCannotCreateFolder = 302,
    kTextNotAFolder = 303,
    kTextCannotLoadPage = 310,
    kTextPageProblem = 311,
    kTextNoSuchFile = 312,
    kTextNotARegularFile = 313,
    kTextCannotRead = 314,
    kTextFileTooLarge = 315,
    kTextPageTooLarge = 316,
    kTextNoUsableUrl = 317,
    kTextServerStatus = 318,
    kTextPageNotInTime = 319,
    kTextPageStopped = 320,
    kTextPageEndedEarly = 321,
    kTextOutOfMemory = 322,
    kTextInternetError = 323,
    kTextNotHtmlContentType = 324,
    kTextCharsetUnsupported = 325,
    kTextNotValidText = 326,
    kTextBinaryPage = 327,
    kTextTooManyTags = 328,
    kTextNoTags = 329,
    kTextParamNotInCodePage = 330,
    kTextModulePathNotAbsolute = 331,
    kTextCannotLoadModule = 332,
    kTextNoControlModule = 333,
    kTextStillNotRegistered = 334,
    kTextNoNamedEvents = 335,
};

std::string HostText(HostTextId id, std::initializer_list<res::FormatArg> args = {});
