#pragma once
// Where an item is written while it downloads. Without the assistant program
// the file goes straight to its final name in the destination folder (hidden
// until finalisation); with it, to a temporary folder the browser process
// may write to, from where the assistant places the finished file.
#include <string>

#include "transfer/ContentData.h"
#include "transfer/DownloadControl.h"

// The item's local path. In assistant mode the temporary path, with its
// folders created; when that fails: error 101 with the system's last error.
bool LocalPathOfItem(IDownloadControl& control, const CONTENTDATA& item, std::string& path);

// The item's final path: the destination folder joined with its name.
std::string FinalPathOfItem(IDownloadControl& control, const CONTENTDATA& item);

// Assistant mode: the path recorded in the version file for `url` when it is
// a valid full path and a file is there (a partial file of an earlier run),
// else the "TemporaryFilesPath" folder joined with the last component of
// `name`. An absent or empty setting is replaced by the low temporary folder
// + "\<company>\<product>" and written back. False (last error set) when no
// folder can be found.
bool TemporaryPath(const std::string& url, const std::string& name, std::string& path);
