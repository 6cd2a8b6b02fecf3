// The exceptions the table store raises. Every one carries a complete text
// that the user interface shows as it is (the store never shows anything).
#pragma once

#include "ui/SystemError.h"

namespace orvex::store {

// Any failure of the table store: SQLite errors, a closed handle, an unknown
// field or index, a key violation, a write through a read-only handle.
class StoreError : public SystemError {
public:
    using SystemError::SystemError;
};

// The database cannot be reached: its folder, a table file or the table
// inside a file is missing, or a file cannot be opened (locked, corrupt,
// not a database).
class DatabaseError : public StoreError {
public:
    using StoreError::StoreError;
};

// The database name is neither a defined alias nor an existing folder. This
// is the only database error after which the program may fall back to the
// DataBaseDir setting; every other one is reported.
class AliasNotDefinedError : public DatabaseError {
public:
    using DatabaseError::DatabaseError;
};

} // namespace orvex::store
