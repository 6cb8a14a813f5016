#pragma once
// The whole way from a PAGE argument to the host's page model: read or fetch,
// decode, find the control's object.
#include <string>

#include "host/HostPage.h"
#include "host/PageSource.h"

// False with `error` (one line, naming the page) when the page is unusable.
bool LoadPage(const std::string& source, HostPage& page, std::string& error,
              const PageFetchLimits& limits = {});
