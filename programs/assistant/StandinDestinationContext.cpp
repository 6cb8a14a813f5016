#include "programs/assistant/StandinDestinationContext.h"

#include <memory>

#include "env/Application.h"
#include "resources/StringTable.h"

using kivcontrol::IFolderBrowser;
using kivcontrol::IMessageBoxService;

using kivtransfer::CONTENTDATA;

CStandinDestinationContext::CStandinDestinationContext(const ContentListRequest& request,
                                                       IMessageBoxService& boxes,
                                                       IFolderBrowser& browser,
                                                       const std::atomic<bool>& controlGone)
    : caption_(request.caption.empty() ? env::GetProductName() : request.caption),
      boxes_(boxes),
      browser_(browser),
      controlGone_(controlGone) {
    for (const ContentListEntry& entry : request.items) {
        auto item = std::make_unique<CONTENTDATA>();
        item->name = entry.name;
        item->url = entry.url;
        items_.push_back(std::move(item));
    }
}

int CStandinDestinationContext::ShowMessage(const std::string& text, unsigned style) {
    return boxes_.ShowMessageBox(nullptr, text, caption_, style);
}

int CStandinDestinationContext::ShowMessageId(unsigned stringId, unsigned style) {
    return ShowMessage(res::LoadString(stringId), style);
}
