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
//   --yes                  answers every question with its default button
//                          without asking (the folder dialog with its
//                          initial folder, once). The "already running"
//                          question is answered Retry after a pause, at
//                          most `unattendedRetries` times, then Cancel.
//
// Without input and without an option a question takes its default button,
// and the cancel path where there is one: the folder dialog is cancelled (and
// "Cancel file download?" then answered Yes), OK/Cancel and Retry/Cancel
// boxes answer Cancel, the existing-files question its default, Cancel.
#include <string>

#include "host/HostOptions.h"  // ExistingFiles

namespace kivterm {

struct TerminalOptions {
    std::string destination;  // native path; empty: not given
    ExistingFiles existing = ExistingFiles::Ask;
    bool assumeYes = false;
    int unattendedRetries = 3;
    unsigned retryPauseMs = 2000;
};

}  // namespace kivterm
