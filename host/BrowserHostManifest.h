#pragma once
// The browsers find `kiv-downloader --browser-host` through a native
// messaging manifest named after the host, which names the program by its
// absolute path and lets only our extension start it. The manifests'
// templates are browser/native-messaging/*.json.in (built into the program);
// the package installs them system-wide, --install-browser-host for one user.
#include <ostream>
#include <string>
#include <vector>

inline constexpr const char* kNativeHostName = "com.velmo.kiv_downloader";
// The extension's ids: Chromium's follows from the public key in its manifest.
inline constexpr const char* kChromiumExtensionId = "cpeldlnjfcedjplhpgaglbkndkjciooi";
inline constexpr const char* kFirefoxExtensionId = "kiv-downloader@velmo";

struct HostManifestFile {
    std::string folder;  // native, absolute
    std::string text;    // the manifest naming the program
};

// This user's manifests for Chromium ($XDG_CONFIG_HOME or ~/.config, then
// chromium/NativeMessagingHosts/, as Chromium looks there) and Firefox
// (~/.mozilla/native-messaging-hosts/), each naming `programPath`. Empty
// when there is no absolute home folder.
std::vector<HostManifestFile> UserHostManifests(const std::string& home,
                                                const std::string& configHome,
                                                const std::string& programPath);

// The manifest's file name in its folder.
std::string HostManifestFileName();

// The package's system-wide manifests below `root` ("/" for the system):
// Chromium's in /etc/chromium/native-messaging-hosts/, Firefox's in
// /usr/lib/mozilla/native-messaging-hosts/.
std::vector<std::string> SystemHostManifestPaths(const std::string& root);

// The program a manifest names (its "path"); empty when the file cannot be
// read or names none. At most 64 KiB are read.
std::string ManifestProgram(const std::string& manifestPath);

// Whether every system-wide manifest exists and names `programPath` (the
// same file, links resolved): a per-user manifest would add nothing.
bool SystemManifestsServe(const std::string& root, const std::string& programPath);

// The installed program that `programPath` shadows: the first system-wide
// manifest's program when it is another file that exists; empty otherwise.
std::string ShadowedInstalledProgram(const std::string& root, const std::string& programPath);

// Writes each manifest (folders made as needed; an existing file or link of
// that name is replaced, never written through). Says where on `out`.
bool InstallHostManifests(const std::vector<HostManifestFile>& manifests, std::ostream& out,
                          std::string& error);
// Removes them where they are; none there is no failure.
bool UninstallHostManifests(const std::vector<HostManifestFile>& manifests, std::ostream& out,
                            std::string& error);
