// The option structs of the engine, read from the pages' controls when an operation starts.
#include "wizard/options_from_pages.h"

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
    // The second pass makes no backups: the first pass's backups hold the originals.
    if (Wizard().secondPass) o.makeBackups = false;
    return o;
}

DeletionOptions ReadDeletionOptions() { return ReadPage(Step::Deletion).deletion; }

}  // namespace corvane
