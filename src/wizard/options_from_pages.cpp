// The option structs of the engine, read from the pages' controls when an operation starts.
#include "corvane_ids.h"
#include "wizard/options_from_pages.h"
#include "wizard/wizard.h"

namespace corvane {

SearchOptions ReadSearchOptions() {
    constexpr int kStep = 2;
    SearchOptions o;
    o.checkInternetUrls = IsChecked(kStep, IDC_SEARCH_OPT_CHECK_INTERNET);
    o.searchFileNames = IsChecked(kStep, IDC_SEARCH_OPT_FILE_NAMES);
    o.searchSavedFromUrl = IsChecked(kStep, IDC_SEARCH_OPT_SAVED_FROM);
    o.searchBaseUrl = IsChecked(kStep, IDC_SEARCH_OPT_USE_BASE_URL);
    o.baseUrl = ControlText(PageControl(kStep, IDC_SEARCH_OPT_BASE_URL));
    o.searchEventsByProtocol = IsChecked(kStep, IDC_SEARCH_OPT_EVENTS);
    o.searchScriptsByProtocol = IsChecked(kStep, IDC_SEARCH_OPT_SCRIPT_PROTOCOLS);
    o.searchScriptsByTagNames = IsChecked(kStep, IDC_SEARCH_OPT_SCRIPT_TAGS);
    return o;
}

ProcessingOptions ReadProcessingOptions() {
    constexpr int kStep = 3;
    ProcessingOptions o;
    o.makeRelative = IsChecked(kStep, IDC_PROC_RELATIVE);
    o.useBaseUrlFromStep3 = IsChecked(kStep, IDC_PROC_USE_BASE_URL);
    o.addForgottenProtocols = IsChecked(kStep, IDC_PROC_ADD_PROTOCOLS);
    o.addForgottenSlashes = IsChecked(kStep, IDC_PROC_ADD_SLASHES);
    o.canonicalize = IsChecked(kStep, IDC_PROC_CANONICALIZE);
    o.deleteScripts = IsChecked(kStep, IDC_PROC_DELETE_SCRIPTS);
    o.deleteUnknownProtocols = IsChecked(kStep, IDC_PROC_DELETE_UNKNOWN);
    o.targetAdderEnabled = IsChecked(kStep, IDC_PROC_TARGET_ENABLE);
    o.targetMode = static_cast<int>(SendMessageA(PageControl(kStep, IDC_PROC_TARGET_MODE), CB_GETCURSEL, 0, 0));
    o.urlMask = ControlText(PageControl(kStep, IDC_PROC_URL_MASK));
    o.target = ControlText(PageControl(kStep, IDC_PROC_TARGET));
    o.modifyExistingTargets = IsChecked(kStep, IDC_PROC_MODIFY_TARGETS);
    return o;
}

ReviewOptions ReadReviewOptions() {
    constexpr int kStep = 5;
    ReviewOptions o;
    o.hideDelete = IsChecked(kStep, IDC_REVIEW_HIDE_DELETE);
    o.hideReplace = IsChecked(kStep, IDC_REVIEW_HIDE_REPLACE);
    o.hideTarget = IsChecked(kStep, IDC_REVIEW_HIDE_TARGET);
    o.hideOrphan = IsChecked(kStep, IDC_REVIEW_HIDE_ORPHAN);
    o.sortMethod = static_cast<int>(SendMessageA(PageControl(kStep, IDC_REVIEW_SORT), CB_GETCURSEL, 0, 0));
    o.allowLinkDeletion = IsChecked(kStep, IDC_REVIEW_ALLOW_DELETION);
    // Disabled marks the second pass, which makes no backups.
    o.makeBackups = IsWindowEnabled(PageControl(kStep, IDC_REVIEW_BACKUPS)) && IsChecked(kStep, IDC_REVIEW_BACKUPS);
    return o;
}

DeletionOptions ReadDeletionOptions() {
    constexpr int kStep = 6;
    DeletionOptions o;
    o.textConvertToText = IsChecked(kStep, IDC_DEL_TEXT_CONVERT);
    o.imageReplace = IsChecked(kStep, IDC_DEL_IMAGE_REPLACE);
    o.imageUrl = ControlText(PageControl(kStep, IDC_DEL_IMAGE_URL));
    o.imageMakeRelative = IsChecked(kStep, IDC_DEL_IMAGE_RELATIVE);
    o.backgroundReplace = IsChecked(kStep, IDC_DEL_BACKGROUND_REPLACE);
    o.backgroundUrl = ControlText(PageControl(kStep, IDC_DEL_BACKGROUND_URL));
    o.backgroundMakeRelative = IsChecked(kStep, IDC_DEL_BACKGROUND_RELATIVE);
    return o;
}

}  // namespace corvane
