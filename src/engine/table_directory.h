// Reading a region's tables from a directory: every entry whose name has the
// extension "json" becomes one table, stored under its whole file name. The
// directory is read completely before any engine state is touched.
#pragma once

#include <string_view>

#include "common/result.h"
#include "engine/raw_tables.h"

namespace vdz {

// Lists `base_dir` (not recursively) and reads each table entry as UTF-8
// text. Errors carry the input/output text the caller raises as is: the
// operating system's "{description} (os error {n})", "stream did not contain
// valid UTF-8", "file name contained an unexpected NUL byte", or
// "{name} is not a regular file" for a FIFO, socket or device, which is
// refused without being opened so that a load can neither block nor read
// without end.
Result<RawTables> read_table_directory(std::string_view base_dir);

// Whether a directory entry is a table: its extension (after the last dot,
// none for a name whose only dot leads it, and none for "..") is exactly
// "json", and the name is valid UTF-8.
bool is_table_file_name(std::string_view name);

}  // namespace vdz
