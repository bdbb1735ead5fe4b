// The raw input of a master-data build: table texts by file name, and the
// source the loader reads (those tables plus the region's music-metas text).
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace vdz {

// Table file name ("cards.json") -> the table's JSON text, ordered by name in
// byte order. Nothing is checked when it is built: the loader reads the
// names it knows and ignores all others.
using RawTables = std::map<std::string, std::string, std::less<>>;

// The loader's input for one build. It only borrows the texts: they are
// immutable for the length of the build, so nothing needs copying.
struct MasterDataSource {
    std::string_view music_metas;
    const RawTables& tables;
};

}  // namespace vdz
