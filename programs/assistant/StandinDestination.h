#pragma once
// The destination question of a content list, asked with the control's own
// destination query over the terminal or in the control's own windows, so
// that the questions, texts and rules are those of the control itself.
#include <string>

#include "control/ExistingFiles.h"
#include "programs/assistant/ControlWatch.h"
#include "programs/assistant/StandinWorkFile.h"

// Answers given through the environment, for runs nobody attends:
// KIVDL_DESTINATION (a native folder) answers the first folder question,
// KIVDL_EXISTING=resume|restart the existing-files question.
struct DestinationAnswers {
    std::string destination;
    kivcontrol::ExistingFiles existing = kivcontrol::ExistingFiles::Ask;
};

// Reads the two variables; an unknown KIVDL_EXISTING value is reported in
// `warning` and leaves the question to the user.
DestinationAnswers DestinationAnswersFromEnvironment(std::string& warning);

struct DestinationChoice {
    bool chosen = false;
    std::string folder;  // Windows form, as the control stores it
    bool resumeAllowed = false;
    std::string whyNot;  // when not chosen: one line for the error output
};

// Asks on the terminal when standard input is one; else in windows when
// there is a display; else only the given answers count.
// Ends early, as cancelled, when `watch` sees the control go.
DestinationChoice AskDestination(const ContentListRequest& request,
                                 const DestinationAnswers& answers, const CControlWatch& watch);
