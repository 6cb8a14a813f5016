#pragma once
// The record row that claims an item's file for its source: written before
// the file's first byte, so that a later run can tell whether what is on
// disk still belongs to the same source. A process that dies at any point
// leaves it behind; only a power cut can take back a save that did not wait
// for the disk.
#include <cstdint>

#include "transfer/ContentData.h"
#include "transfer/DownloadControl.h"
#include "transfer/VersionFile.h"

namespace kivtransfer {

// Whether the row of `item` claims its file at `localPath` as this run would.
bool HoldsClaim(const IRunSettings& control, const CONTENTDATA& item, const std::string& localPath,
                const CVersionFile& versionFile);
// Sets the row of `item` for its file at `localPath`; false when the row
// was there already with these values (nothing to save).
bool ClaimItemFile(const IRunSettings& control, const CONTENTDATA& item,
                   const std::string& localPath, CVersionFile& versionFile);

// Whether this run saved or found the row claiming the item's file at
// `localPath` for the source as it stands (same Last-Modified), so that a
// transfer need not read the record again to know. Only this run's own
// saves and reads set it.
bool ClaimKnown(const CONTENTDATA& item, const std::string& localPath);
void NoteClaim(CONTENTDATA& item, const std::string& localPath);

// Whether the row claiming a file of `size` bytes (0: not known) with
// `present` of them on disk must reach the disk before the rest: a power cut
// must not leave a long partial file unclaimed, to be downloaded again; a
// short rest costs less to download again than a wait for the disk per
// file, a wait that also lasts until the files written before are on disk.
bool ClaimMustReachDisk(std::uint64_t size, std::uint64_t present);

// Claims the files of every item still to be downloaded in one save, before
// the first of them, instead of rewriting the record once per file.
void ClaimItemFiles(IDownloadControl& control);

// After a run that stopped early: drops the claims of the items that never
// received a byte and have no file, so that no row outlives the run to
// claim a file that someone else puts there later.
void ReleaseUnusedClaims(IDownloadControl& control);

}  // namespace kivtransfer
