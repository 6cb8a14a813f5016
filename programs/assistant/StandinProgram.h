#pragma once
// The stand-in for the assistant program: started by the control with the
// control's module name minus its extension, it serves the control's
// requests until the control has gone. Returns the exit status.
int RunStandin();
