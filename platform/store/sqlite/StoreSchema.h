#pragma once

#include "platform/store/ManagedObjectModel.h"
#include "platform/store/sqlite/SqliteConnection.h"

namespace platform::detail {

// Sets up a freshly opened connection: WAL with synchronous=NORMAL for a file, then the schema.
//
// A new file gets the model's tables and indexes and its version in one transaction. An existing
// file first gets the tables and columns it lacks (new columns take their defaults in old rows),
// then climbs the migration ladder from its user_version, one transaction per step (a failed step
// leaves the file at the version before it), and last gets the indexes it lacks. A file of a newer
// version is refused. A file is checked first (a quick check of every page): damage is refused as
// Corrupt before anything is written. `created` tells whether the file held no store yet (a new,
// empty or 0-byte file).
std::shared_ptr<StoreError> prepareStore(SqliteConnection& db, const ManagedObjectModel& model,
                                         bool inMemory, bool* created);

}  // namespace platform::detail
