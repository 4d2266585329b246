// The about box shared by both programs (dialog 108 of each program's resources).
#pragma once

#include "shell/user_dialogs.h"

namespace corvane {

// Loads the rich edit library; without it nothing is shown. Runs dialog 108 modally.
void ShowAboutBox(const AboutBoxRequest& request);

// The maker's web address and the support address, as both programs show them.
extern const char* const kMakerWebAddress;   // "http://..."
extern const char* const kSupportMailto;     // "mailto:..."

}  // namespace corvane
