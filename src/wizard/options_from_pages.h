// The engine's option structs as the pages' controls hold them at this moment.
#pragma once

#include "apply/apply_options.h"
#include "engine/options.h"

namespace corvane {

SearchOptions ReadSearchOptions();
ProcessingOptions ReadProcessingOptions();
ReviewOptions ReadReviewOptions();
DeletionOptions ReadDeletionOptions();

}  // namespace corvane
