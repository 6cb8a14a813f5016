#pragma once
// Phase 2 of a run: prepare every item (size query, local path, resume
// decision against the version file), then transfer the items in list order,
// retrying connection failures and short bodies.
#include "transfer/DownloadControl.h"

bool DownloadPhase(IDownloadControl& control);

// The phase's first step; also sets the control's remaining byte count.
bool PrepareItems(IDownloadControl& control);

// The item's size query, tried again after connection failures (300), 12
// times in all; on failure the code is stored and CUserException thrown.
void QuerySizeWithRetries(IDownloadControl& control, CONTENTDATA& item);
