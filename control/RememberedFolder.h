#pragma once
// The folder accepted last time as download destination, kept per user in
// the setting "DownloadedFilesPath" as an item-identifier list.
#include "env/ItemIDList.h"

namespace kivcontrol {

// The stored list; none when there is no value, it cannot be read or its
// bytes are not a well-formed list.
KIVTOOLCommon::CItemIDList ReadRememberedFolder();

// Stores the list's bytes, terminator included. False when there is no list
// or the store refused it.
bool RememberFolder(const KIVTOOLCommon::CItemIDList& folder);

}  // namespace kivcontrol
