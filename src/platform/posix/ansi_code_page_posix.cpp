// Outside Windows the ANSI code page is taken to be Windows-1252.
#include "platform/ansi_code_page.h"

namespace corvane {

const AnsiCodePage& SystemCodePage() { return Windows1252CodePage(); }

}  // namespace corvane
