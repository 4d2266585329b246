// Outside Windows, names are UTF-8 bytes: the core's 8-bit text is UTF-8.
#include "platform/ansi_code_page.h"

namespace corvane {

const AnsiCodePage& SystemCodePage() { return Utf8CodePage(); }

}  // namespace corvane
