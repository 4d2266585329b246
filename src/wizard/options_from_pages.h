// The engine's option structs as the pages' controls hold them at this moment.
#pragma once

#include "apply/apply_options.h"
#include "engine/options.h"
#include "settings/settings.h"
#include "wizard/step.h"

namespace corvane {

// The options shown on the page of `step`, read into their fields; the other fields are left alone.
void ReadPageIntoSettings(Step step, Settings* settings);

SearchOptions ReadSearchOptions();
ProcessingOptions ReadProcessingOptions();
ReviewOptions ReadReviewOptions();
DeletionOptions ReadDeletionOptions();

}  // namespace corvane
