// How a record type tells the typed reader its keys: one `json_layout`
// function per record, found by argument-dependent lookup, listing the keys in
// declared order (the order a row written as an array gives its values).
// Declare it next to the struct or in the .cpp that reads it:
//
//     struct RawHonor {
//         i32 id = 0;
//         std::vector<RawHonorLevel> levels;     // [] when absent
//         i32 bonus = 0;                         // 0 when absent
//         std::optional<std::string> asset;      // absent or null: none
//     };
//     constexpr auto json_layout(json::Of<RawHonor>) {
//         return json::record("RawHonor",
//                             json::required("id", &RawHonor::id),
//                             json::defaulted("levels", &RawHonor::levels),
//                             json::defaulted("bonus", &RawHonor::bonus),
//                             json::nullable("assetbundleName", &RawHonor::asset));
//     }
//
// A defaulted key that is absent keeps the member's initial value. Null is a
// value of its own and is refused, except by std::optional members, which
// take null as none. A key read in its own way names a custom reader:
//
//     json::required("cardParameters", &RawCard::parameters).read_with(read_card_parameters)
#pragma once

#include <optional>
#include <string_view>
#include <tuple>
#include <type_traits>

#include "common/types.h"

namespace vdz::json {

class Reader;

// Tag naming a record type in `json_layout` declarations.
template <class T>
struct Of {};

// What a key's absence means.
enum class Presence : u8 {
    Required,   // "missing field `k`"; an array row must reach it
    Defaulted,  // the member keeps its initial value; an array row may end before it
    Nullable,   // std::optional member: absent or null is none; an array row must reach it
};

template <class T>
inline constexpr bool IS_OPTIONAL = false;
template <class T>
inline constexpr bool IS_OPTIONAL<std::optional<T>> = true;

// One key of a record: its name, the member it fills and how it may be
// missing; `Read` is a custom reader's type, or std::nullptr_t for the
// member type's own reader.
template <class R, class M, class Read = std::nullptr_t>
struct Field {
    using Record = R;
    using Member = M;
    static constexpr bool CUSTOM = !std::is_same_v<Read, std::nullptr_t>;

    std::string_view key;
    M R::*member;
    Presence presence;
    Read reader = nullptr;

    // The same key read by `read` (which records its own errors in the
    // Reader, see reader.h) instead of by the member type's reader.
    constexpr Field<R, M, bool (*)(Reader&, M&)> read_with(bool (*read)(Reader&, M&)) const {
        return {key, member, presence, read};
    }
};

template <class R, class M>
constexpr Field<R, M> required(std::string_view key, M R::*member) {
    return {key, member, Presence::Required};
}

template <class R, class M>
constexpr Field<R, M> defaulted(std::string_view key, M R::*member) {
    return {key, member, Presence::Defaulted};
}

template <class R, class M>
constexpr Field<R, M> nullable(std::string_view key, M R::*member) {
    static_assert(IS_OPTIONAL<M>, "a nullable key fills a std::optional member");
    return {key, member, Presence::Nullable};
}

// A record's name (as type errors say "struct {name}") and its keys in
// declared order.
template <class R, class... F>
struct Layout {
    std::string_view name;
    std::tuple<F...> fields;
};

template <class First, class... Rest>
constexpr auto record(std::string_view name, First first, Rest... rest) {
    using R = typename First::Record;
    static_assert((std::is_same_v<R, typename Rest::Record> && ...),
                  "every key belongs to the same record");
    static_assert(sizeof...(Rest) < 64, "a record has at most 64 keys");
    return Layout<R, First, Rest...>{name, {first, rest...}};
}

// A type that declares a layout.
template <class T>
concept HasLayout = requires {
    json_layout(Of<T>{});
};

}  // namespace vdz::json
