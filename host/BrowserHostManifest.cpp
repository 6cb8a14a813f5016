#include "host/BrowserHostManifest.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
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

std::vector<std::string> SystemHostManifestPaths(const std::string& root) {
    const std::string base = root.ends_with('/') ? root.substr(0, root.size() - 1) : root;
    return {base + "/etc/chromium/native-messaging-hosts/" + HostManifestFileName(),
            base + "/usr/lib/mozilla/native-messaging-hosts/" + HostManifestFileName()};
}

std::string ManifestProgram(const std::string& manifestPath) {
    constexpr std::size_t kMaxManifest = 64 << 10;
    std::ifstream in(manifestPath, std::ios::binary);
    std::string text(kMaxManifest + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    json::Value manifest;
    std::string error;
    if (text.empty() || text.size() > kMaxManifest || !json::Parse(text, manifest, error) ||
        !manifest.Is(json::Value::Kind::Object)) {
        return {};
    }
    const json::Value* path = manifest.Find("path");
    return path != nullptr && path->Is(json::Value::Kind::String) ? path->text : std::string();
}

namespace {

bool SameFile(const std::string& first, const std::string& second) {
    std::error_code failure;
    return !first.empty() && !second.empty() && std::filesystem::equivalent(first, second, failure);
}

}  // namespace

bool SystemManifestsServe(const std::string& root, const std::string& programPath) {
    for (const std::string& manifest : SystemHostManifestPaths(root)) {
        if (!SameFile(ManifestProgram(manifest), programPath)) return false;
    }
    return true;
}

std::string ShadowedInstalledProgram(const std::string& root, const std::string& programPath) {
    for (const std::string& manifest : SystemHostManifestPaths(root)) {
        const std::string installed = ManifestProgram(manifest);
        std::error_code failure;
        if (installed.empty() || !std::filesystem::is_regular_file(installed, failure)) continue;
        return SameFile(installed, programPath) ? std::string() : installed;
    }
    return {};
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
