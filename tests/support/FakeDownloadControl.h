#pragma once
// The headless control as engine tests use it: every message recorded,
// sleeps cut short so retry pauses of seconds cost nothing, and stalled reads
// ended after 2 s instead of the product's 7 s.
#include "tools/headless/HeadlessControl.h"

class FakeDownloadControl : public CHeadlessControl {
public:
    FakeDownloadControl() {
        recordMessages = true;
        sleepCapMs = 2;
        timings.readTimeoutMs = 2000;
    }
};
