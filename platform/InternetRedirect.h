#pragma once
// Redirects the transfer refuses to follow. Internal to the internet classes.
#include <string>
#include <string_view>

namespace win::inet {

// A redirect from an https URL to a plain http one, as browsers refuse it for
// downloads (the file would come unprotected where a protected page sent us):
// "<from> -> <to>" with `location` resolved against `currentUrl` as libcurl
// resolves it, user names and passwords left out. Empty for any other
// redirect, and for a target libcurl cannot read (it then fails by itself).
std::string DowngradingRedirect(std::string_view currentUrl, std::string_view location);

// Whether two absolute URLs share scheme, host and port (the default port
// when none is written). False when either cannot be read.
bool SameOrigin(std::string_view first, std::string_view second);

}  // namespace win::inet
