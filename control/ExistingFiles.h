#pragma once

namespace kivcontrol {

// How a front end answers the control's existing-files question when the
// command line or the environment gave the answer beforehand.

enum class ExistingFiles { Ask, Resume, Restart };

}  // namespace kivcontrol
