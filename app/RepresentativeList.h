#pragma once
// Reads the representatives for the sync-activity page's names and its list
// of who has not synced (activity/RepresentativeNames.h), on a connection of
// its own with the program's connection settings.

#include <cstdint>
#include <vector>

#include "activity/RepresentativeNames.h"

namespace fieldsync {

// Every REPRESENTANTE row: deleted ones too (a deleted representative's
// calls are still named), each marked as of `branch` when its IDFILIAL is
// that branch or null. Raises with the database's message when it cannot
// read.
std::vector<TRepresentative> ReadRepresentatives(int32_t branch);

}  // namespace fieldsync
