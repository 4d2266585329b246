// The scanners the search hands each kind of file to.
#include "engine/markup_scanner.h"
#include "engine/search_driver.h"

namespace corvane {

const FileScanners& MarkupScanners() {
    static const FileScanners scanners{&ScanPage, &ScanScriptFile, &ScanStyleSheet, true};
    return scanners;
}

}  // namespace corvane
