// Resource identifiers of the module, grouped by dialog.
#pragma once

#define MORAVEL_VERSION_BINARY 0, 1, 0, 0
#define MORAVEL_VERSION_TEXT "0.1.0.0b"
