#pragma once
// What the assistant client needs of the control that owns it: its window
// (parent of the reply window, target of the end notice) and the handler
// of the assistant's replies. Called on the control's window thread.
#include <string>

#include "platform/CopyData.h"
#include "platform/WindowTypes.h"

namespace kivassistant {

class IAssistantOwner {
public:
    virtual ~IAssistantOwner() = default;
    virtual win::HWND Window() const = 0;
    // One WM_COPYDATA record from the assistant; the result is the
    // message's result.
    virtual bool OnAssistantReply(const win::COPYDATASTRUCT* record) = 0;
    // The standard file error box (OK only) for a work file that could not
    // be written; called on the worker thread.
    virtual void ShowFileErrorBox(const std::string& text) = 0;
};

}  // namespace kivassistant
