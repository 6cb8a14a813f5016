#pragma once
// Where an item is written while it downloads. Without the assistant program
// the file goes to its part file beside its final name (".NAME.kivpart",
// hidden the way this system hides files), renamed to the final name once
// verified; with it, to a temporary folder the browser process may write
// to, from where the assistant places the finished file.
#include <string>

#include "transfer/ContentData.h"
#include "transfer/DownloadControl.h"

namespace kivtransfer {

// The item's local path. In assistant mode the temporary path, with its
// folders created; when that fails: error 101 with the system's last error.
bool LocalPathOfItem(IDownloadControl& control, const CONTENTDATA& item, std::string& path);

// True when the item's local path is one of this run's own files: its final
// path in the destination, or a path within the low temporary folder. Only
// those are ever deleted; a path from anywhere else came from a forged record.
bool IsWorkFileOfItem(const IRunSettings& control, const CONTENTDATA& item);

// The item's final path: the destination folder joined with its name.
std::string FinalPathOfItem(const IRunSettings& control, const CONTENTDATA& item);

// The item's part file in the destination: ".NAME.kivpart" beside its final path.
std::string PartPathOfItem(const IRunSettings& control, const CONTENTDATA& item);
std::string PartFileName(const std::string& name);

// Assistant mode: the temporary folder joined with the last component of
// `name`. A version-file row for `url` that names another path, or a path
// that is no plain file of ours, is removed, so the item starts over. False
// (last error set) when no folder can be found.
bool TemporaryPath(const std::string& url, const std::string& name, std::string& path);

// The folder for temporary files: "TemporaryFilesPath" when it lies within the
// low temporary folder, else (absent, empty or elsewhere) the low temporary
// folder + "\<company>\<product>", which is written back. False (last error
// set) when there is no low temporary folder.
bool TemporaryFolder(std::string& folder);

}  // namespace kivtransfer
