// The wizard's tooltip texts: set 0 for the frame, set n+1 for the page of step index n.
#include "shell/tooltips.h"
#include "wizard/wizard.h"

namespace corvane {
namespace {

const TooltipTool kFrameTools[] = {
    {1016, 0, "Some information about Corvane"}, {1072, 1, "Show reference"},
    {1079, 2, "Run the Restavo utility"},        {1013, 3, "Move one step backward"},
    {1014, 4, "Move one step forward"},          {1015, 5, "Get outta here"},
};

const TooltipTool kWelcomeTools[] = {{1088, 100, "Tip of the day"}};

const TooltipTool kFileListTools[] = {
    {1020, 200, "Add one or more files to the file list"},
    {1021, 201, "Add one or more folders to the file list"},
    {1023, 202, "Remove selected files from the file list"},
    {1022, 203, "Clear the file list"},
};

const TooltipTool kSearchOptionTools[] = {
    {1030, 300, "Allows using the \"saved from url\" comments to determine original file location (recommended)"},
    {1032, 301, "Allows suggesting replacements for broken URL's using file names (recommended)"},
    {1029, 302, "Enables to consider any string inside scripts beginning with a protocol name as a real URL (recommended)"},
    {1028, 303, "Enables to consider any string inside scripts looking like a tag as a real tag"},
    {1082, 304, "Allows connecting to the Internet to check URL's pointing to the Internet"},
    {1083, 305, "Allows seaching for URL's inside DHTML event definitions (recommended)"},
    {1085, 306, "Allows using a base URL for searching"},
    {1091, 307, "The base URL of your site (for example, \"http://www.meridel.example/\")"},
};

const TooltipTool kProcessingTools[] = {
    {1040, 400, "Forces conversion of all absolute URL's into their relative analogs"},
    {1041, 401, "Forces conversion of all relative URL's into their absolute analogs"},
    {1032, 402, "Allows using the base URL set at the step 3 as the root path"},
    {1028, 403, "Forces deletion of any commands executing scripts located inside links (useful only for ridding of Internet links in downloaded web-pages)"},
    {1029, 404, "Allows adding protocol names to URL's that seemingly should contain them (recommended)"},
    {1030, 405, "Allows adding \"\\\\\" after protocol names to URL's that seemingly should contain them (recommended)"},
    {1031, 406, "Forces conversion of unsafe characters in all URL's to their coded equivalents (recommended)"},
    {1094, 407, "Turns the Link Target Adder on"},
    {1033, 408, "Forces deletion of URL's containing unknown protocols (useful only for ridding of Internet links in downloaded web-pages)"},
    {1089, 409, "Defines the kind of links which targets should be modified"},
    {1091, 410, "The mask using to determine links which targets should be modified"},
    {1093, 411, "Target string (can be custom)"},
    {1092, 412, "Allows modification of existing targets"},
};

const TooltipTool kReviewTools[] = {
    {1089, 600, "URL list sorting method"},
    {1029, 601, "Hides URL's marked as \"REPLACE\""},
    {1031, 602, "Hides URL's marked as \"TARGET\""},
    {1028, 603, "Hides URL's marked as \"DELETE\""},
    {1030, 604, "Hides the list of orphan files"},
    {1037, 605, "URL to change the selected URL to"},
    {1078, 606, "Applies changes to the selected URL"},
    {1038, 607, "Choose a file to be used as the replacement"},
    {1039, 608, "Sets replacement to original URL thus leaving it broken"},
    {1040, 609, "Clears the URL replacement thus forcing its deletion"},
    {1075, 610, "Forces conversion of the selected URL to relative (recommended)"},
    {1032, 611, "Allows deletion of broken URL's"},
    {1056, 612, "Forces making of backup files that can be restored or deleted with the Restavo utility (recommended)"},
};

const TooltipTool kDeletionTools[] = {
    {1041, 700, "Forces conversion of text links marked as \"DELETE\" to usual text"},
    {1042, 701, "Forces replacement of text links marked as \"DELETE\" with the empty URL (#)"},
    {1044, 702, "Forces replacement URL's marked as \"DELETE\" pointing to image files with emptiness"},
    {1045, 703, "Forces replacement URL's marked as \"DELETE\" pointing to image files with the specified URL"},
    {1091, 704, "URL to replace URL's marked as \"DELETE\" pointing to image files with"},
    {1073, 705, "Choose a file to be used as the replacement"},
    {1076, 706, "Forces conversion of the replacement URL to relative (recommended)"},
    {1047, 707, "Forces replacement URL's marked as \"DELETE\" pointing to background images with emptiness"},
    {1048, 708, "Forces replacement URL's marked as \"DELETE\" pointing to background images with the specified URL"},
    {1071, 709, "URL to replace URL's marked as \"DELETE\" pointing to background images with"},
    {1074, 710, "Choose a file to be used as the replacement"},
    {1095, 711, "Forces conversion of the replacement URL to relative (recommended)"},
};

}  // namespace

void AddWizardTooltips(HWND window, int set) {
    switch (set) {
        case 0: AddTooltips(window, kFrameTools); break;
        case 1: AddTooltips(window, kWelcomeTools); break;
        case 2: AddTooltips(window, kFileListTools); break;
        case 3: AddTooltips(window, kSearchOptionTools); break;
        case 4: AddTooltips(window, kProcessingTools); break;
        case 6: AddTooltips(window, kReviewTools); break;
        case 7: AddTooltips(window, kDeletionTools); break;
        default: break;  // the search and apply pages have no tools
    }
}

}  // namespace corvane
