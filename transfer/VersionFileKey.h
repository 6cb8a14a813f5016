#pragma once
// An item's key in the version file: its URL when the assistant program
// places the files (the temporary path is its own business), else the local path.
#include <string>

#include "transfer/ContentData.h"
#include "transfer/RunSettings.h"

namespace kivtransfer {

inline const std::string& VersionFileKey(const IRunSettings& control, const CONTENTDATA& item) {
    return control.HasAssistant() ? item.url : item.localPath;
}

}  // namespace kivtransfer
