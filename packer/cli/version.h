// The version of mksfx, printed by --version and written into its JSON
// documents.
#pragma once

const char kMksfxVersion[] = "1.1.0";
