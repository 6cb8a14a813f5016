#pragma once
// The assistant's questions in windows, when it has a display and no
// terminal (a browser started the control): the control's own Qt message
// boxes and folder dialog. The Qt application is made at the first question
// shown, so a run answered from the environment opens no window at all.
#include <memory>
#include <string>

#include "control/ControlServices.h"
#include "frontends/window/loader/WindowFrontEndLibrary.h"

class CStandinWindowQuestions : public IWindowQuestions {
public:
    // `destination` answers the first folder question, `existing` the
    // existing-files question (KIVDL_DESTINATION and KIVDL_EXISTING).
    CStandinWindowQuestions(const std::string& destination, kivcontrol::ExistingFiles existing);
    ~CStandinWindowQuestions() override;
    CStandinWindowQuestions(const CStandinWindowQuestions&) = delete;
    CStandinWindowQuestions& operator=(const CStandinWindowQuestions&) = delete;

    kivcontrol::IMessageBoxService& Boxes() override;
    kivcontrol::IFolderBrowser& Folders() override;
    void Interrupt() override;

private:
    class CBoxes;
    class CFolders;
    struct Parts;

    std::unique_ptr<Parts> parts_;
};
