#pragma once
// An item's key in the version file: its URL when the assistant program
// places the files (the temporary path is its own business), else its local
// path, which for a part file is the final path it will be renamed to.
#include <string>

#include "transfer/ContentData.h"
#include "transfer/RunSettings.h"

namespace kivtransfer {

std::string VersionFileKey(const IRunSettings& control, const CONTENTDATA& item);

}  // namespace kivtransfer
