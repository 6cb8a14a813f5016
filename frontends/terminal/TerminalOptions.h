#pragma once
// Answers given on the command line for unattended use, and how the terminal
// answers a question nobody is there to answer.
//
//   --destination DIR      answers the folder dialog once; if the control
//                          refuses DIR (not writable, read-only
//                          files in it), the next folder dialog goes to the
//                          user when there is one, else it is cancelled.
//   --existing resume      answers the existing-files question Yes,
//   --existing restart     ... No.
//   --yes                  goes on without asking: Yes where a question has
//                          it (the existing-files question's Yes resumes
//                          what can be resumed and restarts the rest), OK,
//                          the folder dialog's initial folder (once). The
//                          "already running" question is answered Retry
//                          after a pause, at most `unattendedRetries` times,
//                          then Cancel.
//   --quiet, --verbose, --log FILE: what the run's account shows (TerminalRunLog.h).
//
// Without input and without an option a question takes its default button,
// and the cancel path where there is one: the folder dialog is cancelled (and
// "Cancel file download?" then answered Yes), OK/Cancel and Retry/Cancel
// boxes answer Cancel, the existing-files question its default, Cancel.
#include <string>

#include "control/ExistingFiles.h"

namespace kivterm {

struct TerminalOptions {
    std::string destination;  // native path; empty: not given
    kivcontrol::ExistingFiles existing = kivcontrol::ExistingFiles::Ask;
    bool assumeYes = false;
    bool quiet = false;
    bool verbose = false;
    int logFd = -1;  // the open --log file, or -1
    int unattendedRetries = 3;
    unsigned retryPauseMs = 2000;
};

}  // namespace kivterm
