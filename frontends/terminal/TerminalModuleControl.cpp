#include "frontends/terminal/TerminalModuleControl.h"

#include "transfer/ErrorCodes.h"

using kivcontrol::ControlServices;
using kivcontrol::IPropertyBag;

namespace kivterm {

namespace {

class CModuleControl : public ITerminalControl {
public:
    explicit CModuleControl(com::ComPtr<com::IKivDownloadControl> control)
        : control_(std::move(control)) {}

    void LoadProperties(const IPropertyBag& page) override { control_->LoadProperties(page); }
    win::HWND CreateControlWindow() override {
        win::HWND window = nullptr;
        return com::SUCCEEDED(control_->CreateControlWindow(nullptr, &window)) ? window : nullptr;
    }
    int ErrorCode() override {
        std::int32_t errorCode = errcode::kNone;
        std::int32_t lastError = 0;
        control_->GetErrorState(&errorCode, &lastError);
        return errorCode;
    }
    void Close(std::function<void()> released) override {
        control_->Close(std::move(released));
        control_.Reset();
    }

private:
    com::ComPtr<com::IKivDownloadControl> control_;
};

}  // namespace

TerminalControlMaker ModuleControl(const CControlModule& module) {
    return [&module](const ControlServices& services) -> std::unique_ptr<ITerminalControl> {
        com::ComPtr<com::IKivDownloadControl> control;
        if (com::FAILED(module.CreateControl(control)) ||
            com::FAILED(control->Initialize(services))) {
            return nullptr;
        }
        return std::make_unique<CModuleControl>(std::move(control));
    };
}

}  // namespace kivterm
