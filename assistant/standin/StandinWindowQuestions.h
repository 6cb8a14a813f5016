#pragma once
// The assistant's questions in windows, when it has a display and no
// terminal (a browser started the control): the control's own Qt message
// boxes and folder dialog. The Qt application is made at the first question
// shown, so a run answered from the environment opens no window at all.
#include <memory>

#include "assistant/standin/StandinDestination.h"
#include "control/ControlServices.h"

class CStandinWindowQuestions {
public:
    explicit CStandinWindowQuestions(const DestinationAnswers& answers);
    ~CStandinWindowQuestions();
    CStandinWindowQuestions(const CStandinWindowQuestions&) = delete;
    CStandinWindowQuestions& operator=(const CStandinWindowQuestions&) = delete;

    // Answers the existing-files question from KIVDL_EXISTING when given.
    IMessageBoxService& Boxes();
    // Answers the first folder question from KIVDL_DESTINATION when given.
    IFolderBrowser& Folders();
    // Any thread: ends the open question as cancelled.
    void Interrupt();

private:
    class CBoxes;
    class CFolders;
    struct Parts;

    std::unique_ptr<Parts> parts_;
};
