#pragma once
// The files that failed verification: their names for the error message,
// and their removal when the run ends with them.
#include <string>

#include "transfer/ContentData.h"
#include "transfer/DownloadControl.h"

namespace kivtransfer {

// The name of every broken item in list order, each on its own line behind
// a tab ("\tA\n\tB"). False only when out of memory.
bool BrokenFileList(const ContentList& items, std::string& text);

// Deletes every broken item's local file, even a read-only or hidden one,
// when it is one of the run's own files (IsWorkFileOfItem). A file that
// cannot be deleted is left; the result is always true.
bool DeleteBrokenFiles(IDownloadControl& control);

}  // namespace kivtransfer
