#pragma once
// The string table's ids by name: code refers to a text by its name here,
// never by its number. The numbers are those of the tables in strings_*.inc.
//
// KIV_STRING_IDS lists every id once; it defines the names below and the
// list a test walks to check that each name has a text in every language.
// X(name, id)
#define KIV_STRING_IDS(X)                                                          \
    X(kProductName, 1)          /* "Kiv Downloader" */                             \
    X(kPropertyPageTypeName, 2) /* "KivDownloadController Property Page" */        \
    X(kCompanyName, 4)                                                             \
    X(kResumeButtons, 5)        /* "[Yes]: ... [No]: ... [Cancel]: ..." */         \
    X(kParameterInvalid, 6)     /* "Parameter %s has not been specified, ..." */   \
    X(kInitialisationFailed, 7) /* "Initialization of %s failed." */               \
    X(kWorkOffline, 13)                                                            \
    X(kReadOnlyTail, 14) /* "... These files are read-only. ..." */                \
    X(kDestinationQueryFailed, 15)                                                 \
    X(kFileDownloadFailed, 16)                                                     \
    X(kTerminationFailed, 19)                                                      \
    X(kMutexFailed, 21)                                                            \
    X(kAlreadyRunning, 22)                                                         \
    X(kFileNameFormat, 23) /* "File name: %s" */                                   \
    X(kBrowseForFolder, 24)                                                        \
    X(kCancelDownloadQuestion, 25)                                                 \
    X(kCloseQuestion, 26)        /* "Close %s?" */                                 \
    X(kThousandsBytesFormat, 27) /* "%I64d,%03d byte(s)" */                        \
    X(kBytesFormat, 28)          /* "%I64d byte(s)" */                             \
    X(kSelectFolderPrompt, 29)                                                     \
    X(kDownloadingFiles, 30)                                                       \
    X(kDownloadError, 31) /* "An error occurred during the download." */           \
    X(kDownloadCancelled, 32)                                                      \
    X(kLeaveWarning, 33)                                                           \
    X(kOldBrowserName, 34) /* "Microsoft Internet Explorer" */                     \
    X(kBrowserName, 35)    /* "Windows Internet Explorer" */                       \
    X(kRateFormat, 36)     /* "About %sKB/sec" */                                  \
    X(kHoursFormat, 37)    /* "About %2d hr %2d min %2d sec" */                    \
    X(kHashFailed, 38)                                                             \
    X(kCorruptedFiles, 39)                                                         \
    X(kAllFilesCompleted, 40)                                                      \
    X(kExistingFilesHead, 41)                                                      \
    X(kResumeQuestion, 42)                                                         \
    X(kNotWritable, 43) /* "Specify a writable path." */                           \
    X(kPreparing, 44)                                                              \
    X(kLeaveConsequence, 45)                                                       \
    X(kInternalError, 47)                                                          \
    X(kPercentFormat, 48) /* " (%d%% completed)" */                                \
    X(kVerifyingFile, 49)                                                          \
    X(kVerificationCompleteIn, 50)                                                 \
    X(kDownloadCompleteIn, 51)                                                     \
    X(kVerificationFailed, 52)                                                     \
    X(kVerifyingWarning, 53)                                                       \
    X(kMinutesFormat, 54) /* "About %2d min %2d sec" */                            \
    X(kRecalculating, 55)                                                          \
    X(kMemoryFull, 56)                                                             \
    X(kWorkFileNotCreated, 57) /* "Temporary file creation failed." */             \
    X(kInvalidUrl, 58)                                                             \
    X(kInvalidWorkFilePath, 59) /* "The temporary file path is invalid." */        \
    X(kNoHttpStatus, 60)                                                           \
    X(kNoClientSite, 61)                                                           \
    X(kNoServiceProvider, 62)                                                      \
    X(kNoBrowser, 63)                                                              \
    X(kSecondsFormat, 64) /* "About %2d sec" */                                    \
    X(kNoDocument, 65)                                                             \
    X(kNoPageWindow, 66)                                                           \
    X(kEventsNotConnected, 67)                                                     \
    X(kDialogNotCreated, 68)                                                       \
    X(kThreadNotCreated, 69)                                                       \
    X(kThreadNotStarted, 70)                                                       \
    X(kRenameFailed, 80)                                                           \
    X(kDiskFull, 81)                                                               \
    X(kServerProblem, 105)                                                         \
    X(kAssistantStopped, 106)                                                      \
    X(kAssistantNotStarted, 107)                                                   \
    X(kAssistantNotInitialised, 108)                                               \
    X(kButtonOk, 110) /* the button texts follow the result codes, IDOK on */      \
    X(kButtonCancel, 111)                                                          \
    X(kButtonAbort, 112)                                                           \
    X(kButtonRetry, 113)                                                           \
    X(kButtonIgnore, 114)                                                          \
    X(kButtonYes, 115)                                                             \
    X(kButtonNo, 116)                                                              \
    X(kServerTimeout, 119)                                                         \
    X(kWorkerStandbyFailed, 120)                                                   \
    X(kPropertyPageCaption, 200) /* "General" */                                   \
    X(kInternetOutOfHandles, 234)                                                  \
    X(kInternetTimeout, 235)                                                       \
    X(kInternetNameNotResolved, 236)                                               \
    X(kInternetCannotConnect, 238)                                                 \
    X(kInternetConnectionAborted, 239)                                             \
    X(kInternetConnectionReset, 240)                                               \
    X(kUnexpectedAuthentication, 241)                                              \
    X(kProxyAuthRequired, 242)                                                     \
    X(kInternetErrorFormat, 243) /* "Error %d occurred while connecting ..." */    \
    X(kHttpStatusFormat, 244)    /* "HTTP status %d was returned. ..." */          \
    X(kRunCompleted, 245)                                                          \
    X(kKeptAside, 246) /* "%s was already in the folder ...; it is kept as %s." */ \
    X(kKeptAsideChanged, 247) /* "%s ... changed since it was downloaded; ..." */ \
    X(kCreateFolderQuestion, 300)                                                  \
    X(kFolderNotCreated, 301)                                                      \
    X(kCannotCreateFolder, 302)                                                    \
    X(kNotAFolder, 303)                                                            \
    X(kCannotLoadPage, 310)                                                        \
    X(kPageProblem, 311)                                                           \
    X(kNoSuchFile, 312)                                                            \
    X(kNotARegularFile, 313)                                                       \
    X(kCannotRead, 314)                                                            \
    X(kFileTooLarge, 315)                                                          \
    X(kPageTooLarge, 316)                                                          \
    X(kNoUsableUrl, 317)                                                           \
    X(kServerStatus, 318)                                                          \
    X(kPageNotInTime, 319)                                                         \
    X(kPageStopped, 320)                                                           \
    X(kPageEndedEarly, 321)                                                        \
    X(kOutOfMemory, 322)                                                           \
    X(kInternetError, 323)                                                         \
    X(kNotHtmlContentType, 324)                                                    \
    X(kCharsetUnsupported, 325)                                                    \
    X(kNotValidText, 326)                                                          \
    X(kBinaryPage, 327)                                                            \
    X(kTooManyTags, 328)                                                           \
    X(kNoTags, 329)                                                                \
    X(kParamNotInCodePage, 330)                                                    \
    X(kModulePathNotAbsolute, 331)                                                 \
    X(kCannotLoadModule, 332)                                                      \
    X(kNoControlModule, 333)                                                       \
    X(kStillNotRegistered, 334)                                                    \
    X(kNoNamedEvents, 335) \
    X(kTermAlreadyComplete, 420) \
    X(kTermDownloading, 421) \
    X(kTermResuming, 422) \
    X(kTermSizeUnknown, 423) \
    X(kTermRetrying, 424) \
    X(kTermRetryingInARow, 425) \
    X(kTermDone, 426) \
    X(kTermVerified, 427) \
    X(kTermBroken, 428) \
    X(kTermKeptAsideLine, 429) \
    X(kTermKeptLine, 430) \
    X(kTermStatusVerified, 431) \
    X(kTermStatusNotChecked, 432) \
    X(kTermStatusIncomplete, 433) \
    X(kTermStatusBroken, 434) \
    X(kTermStatusBrokenDeleted, 435) \
    X(kTermStatusNotKept, 436) \
    X(kTermTotalOne, 437) \
    X(kTermTotalMany, 438) \
    X(kTermCannotDownloadInto, 439) \
    X(kTermNoNewFiles, 440) \
    X(kTermFolderHint, 441) \
    X(kTermNoSuchFolder, 442) \
    X(kItemCountInvalid, 443)

namespace textid {

#define KIV_STRING_ID_CONSTANT(name, id) inline constexpr unsigned name = id;
KIV_STRING_IDS(KIV_STRING_ID_CONSTANT)
#undef KIV_STRING_ID_CONSTANT

// Every named id, in the order of the list.
#define KIV_STRING_ID_ENTRY(name, id) id,
inline constexpr unsigned kAll[] = {KIV_STRING_IDS(KIV_STRING_ID_ENTRY)};
#undef KIV_STRING_ID_ENTRY

}  // namespace textid
