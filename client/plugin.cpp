// The plug-in module's own translation unit. The module is linked from the client and runtime
// libraries whole, so that the entry F_ApiClientInit (in the runtime) and the callbacks it
// reaches are all inside it; with hidden visibility the entry is its only export.
#include "runtime/client_init.h"
