#pragma once
// A downloaded file stays open from the end of its transfer until it has
// been placed: its sharing marks keep another run (of this user) from
// moving it, and the run can tell whether its name still leads to it. In a
// folder shared with another user those marks cannot be seen through a file
// only its owner may open, and the other user's run may move it away: the
// loss is then reported as what it is, a file error naming the item
// (ERROR_FILE_INVALID), not as a failed hash of someone else's file.
#include "transfer/ContentData.h"
#include "transfer/TransferResult.h"

namespace win {
class CFile;
}

namespace kivtransfer {

// Keeps the transfer's open file (moved from `file`) with the item.
void HoldFile(CONTENTDATA& item, win::CFile&& file);

// The file error naming the item when its path names an entry other than
// the file held that is not this user's own plain file (another user's file
// put in its place); else Done, and the next step judges what is there.
TransferResult CheckHeldFile(const CONTENTDATA& item);

// Lets go of every item's held file.
void ReleaseHeldFiles(const ContentList& items);

}  // namespace kivtransfer
