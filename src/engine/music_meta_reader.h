// The region's own reading of a music-metas text: lenient about the shape of
// each element (unknown keys, missing difficulty), strict about the numbers a
// live-score estimate needs. Every loading method runs it before the
// master-data loader reads the same text, so its messages come first.
#pragma once

#include <string_view>

#include "common/result.h"
#include "engine/music_meta.h"
#include "json/value.h"

namespace vdz {

// The whole text, an array of music-meta objects. A text that is not a JSON
// array fails with "invalid music metas: {reader's text}"; the first faulty
// element fails with its own message.
Result<MusicMetas> parse_music_metas(std::string_view text);

// One element. Keys are read in a fixed order and the first bad one fails
// with "music meta field {key} is required" (or an array key's own message).
Result<MusicMeta> parse_music_meta(const json::Value& value);

// The six numbers of one array key: "music meta field {key} is required" when
// it holds no array, "music meta field {key} must contain 6 values", or
// "music meta field {key}[{index}] must be numeric".
Result<std::array<double, 6>> read_music_meta_array6(const json::Value& object,
                                                     std::string_view key);

}  // namespace vdz
