// What mksfx info shows of the publisher's icon and version
// (packer/core/publisher_resources.h), as text and as JSON fields.
#pragma once

#include <ostream>

#include "file_io.h"

// "icon: ..." and "version information: ..." lines.
void PrintPublisherResources(std::ostream& out, const InputFile& file);

// ",\n  \"icon\": ...,\n  \"version_info\": ..." for info --json.
void PrintPublisherResourcesJson(std::ostream& out, const InputFile& file);
