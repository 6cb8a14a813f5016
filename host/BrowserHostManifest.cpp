#include "host/BrowserHostManifest.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "host/BrowserHostTemplates.h"
#include "platform/File.h"
#include "platform/Json.h"
#include "platform/LastError.h"
#include "platform/NativePath.h"
#include "platform/SystemErrorText.h"

namespace {

constexpr std::string_view kPathMark = "\"@KIV_HOST_PATH@\"";

std::string ManifestFor(std::string_view templateText, const std::string& programPath) {
    std::string text(templateText);
    const std::size_t mark = text.find(kPathMark);
    if (mark != std::string::npos) text.replace(mark, kPathMark.size(), json::Quote(programPath));
    return text;
}

bool IsAbsolute(const std::string& path) {
    return !path.empty() && path.front() == '/';
}

}  // namespace

std::string HostManifestFileName() {
    return std::string(kNativeHostName) + ".json";
}

std::vector<HostManifestFile> UserHostManifests(const std::string& home,
                                                const std::string& configHome,
                                                const std::string& programPath) {
    if (!IsAbsolute(home)) return {};
    const std::string config = IsAbsolute(configHome) ? configHome : home + "/.config";
    return {
        {config + "/chromium/NativeMessagingHosts",
         ManifestFor(kChromiumHostManifestTemplate, programPath)},
        {home + "/.mozilla/native-messaging-hosts",
         ManifestFor(kFirefoxHostManifestTemplate, programPath)},
    };
}

bool InstallHostManifests(const std::vector<HostManifestFile>& manifests, std::ostream& out,
                          std::string& error) {
    for (const HostManifestFile& manifest : manifests) {
        const std::string path = manifest.folder + "/" + HostManifestFileName();
        std::error_code failure;
        std::filesystem::create_directories(manifest.folder, failure);
        std::string windowsPath;
        // A rename over the old name: a link there is replaced, not followed.
        if (failure || !win::FromNativePath(path, windowsPath) ||
            !win::ReplaceFileAtomically(windowsPath, manifest.text)) {
            error = "cannot write " + path + ": " +
                    (failure ? failure.message() : win::FormatSystemMessage(win::GetLastError()));
            return false;
        }
        out << "wrote " << path << "\n";
    }
    return true;
}

bool UninstallHostManifests(const std::vector<HostManifestFile>& manifests, std::ostream& out,
                            std::string& error) {
    for (const HostManifestFile& manifest : manifests) {
        const std::string path = manifest.folder + "/" + HostManifestFileName();
        if (::unlink(path.c_str()) == 0) {
            out << "removed " << path << "\n";
        } else if (errno != ENOENT) {
            error = "cannot remove " + path + ": " + std::strerror(errno);
            return false;
        }
    }
    return true;
}
