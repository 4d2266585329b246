// The option structs of the engine, read from the pages' controls when an operation starts.
#include "wizard/options_from_pages.h"

#include "corvane_ids.h"
#include "wizard/wizard.h"

namespace corvane {
namespace {

Settings ReadPage(Step step) {
    Settings s;
    ReadPageIntoSettings(step, &s);
    return s;
}

}  // namespace

SearchOptions ReadSearchOptions() { return ReadPage(Step::SearchOptions).search; }

ProcessingOptions ReadProcessingOptions() { return ReadPage(Step::ProcessingOptions).processing; }

ReviewOptions ReadReviewOptions() {
    ReviewOptions o = ReadPage(Step::Review).review;
    // Disabled marks the second pass, which makes no backups.
    o.makeBackups = o.makeBackups && IsWindowEnabled(PageControl(StepIndex(Step::Review), IDC_REVIEW_BACKUPS));
    return o;
}

DeletionOptions ReadDeletionOptions() { return ReadPage(Step::Deletion).deletion; }

}  // namespace corvane
