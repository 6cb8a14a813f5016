#include "frontends/window/WindowFolderBrowser.h"

#include "env/ItemIDList.h"
#include "platform/NativePath.h"

int CWindowFolderBrowser::Browse(win::HWND owner, const std::string& prompt, unsigned flags,
                                 const KIVTOOLCommon::CItemIDList& initialSelection,
                                 KIVTOOLCommon::CItemIDList& result) {
    if (!destination_.empty() && !destinationUsed_.exchange(true)) {
        std::string windowsPath;
        if (win::FromNativePath(destination_, windowsPath) && result.FromPath(windowsPath)) {
            return IDOK;
        }
    }
    return ask_.Browse(owner, prompt, flags, initialSelection, result);
}
