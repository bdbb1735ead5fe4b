// Generic JSON values, for the inputs read leniently (user data, music metas,
// decks, options looked up key by key) and for results built before writing.
// Integers keep their integer nature: 1 and 1.0 are different values.
//
//     auto parsed = vdz::json::parse_value(text);
//     if (!parsed) return std::move(parsed).error();  // "… at line L column C"
//     const vdz::json::Value* cards = parsed->find("userCards");
//     if (cards != nullptr && cards->is_array()) {
//         for (const vdz::json::Value& card : *cards->as_array()) {
//             std::optional<vdz::i64> id = card.find_i64("cardId");
//         }
//     }
#pragma once

#include <concepts>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "common/result.h"
#include "common/types.h"

namespace vdz::json {

class Reader;
class Value;
class ValueBuilder;
struct Member;

using Array = std::vector<Value>;

// An object: members sorted by key (bytewise), each key once. Reading keeps
// the last of repeated keys.
class Object {
  public:
    // Declared here, defaulted after Member: some compilers need Member
    // complete as soon as these are implicitly defined.
    Object();
    Object(const Object& other);
    Object(Object&& other) noexcept;
    Object& operator=(const Object& other);
    Object& operator=(Object&& other) noexcept;
    ~Object();

    usize size() const;
    bool empty() const;
    const Member* begin() const;
    const Member* end() const;
    // The member's value, or nullptr when the key is absent.
    const Value* find(std::string_view key) const;
    Value* find(std::string_view key);
    // Inserts the member or replaces the value of an existing key.
    void insert_or_assign(std::string key, Value value);

    friend bool operator==(const Object& a, const Object& b);

  private:
    friend class ValueBuilder;
    std::vector<Member> members_;
};

// One JSON value. Owns its strings, arrays and objects. A non-negative
// integer is always held unsigned and a negative one signed, so equal integers
// compare equal whatever their source type.
class Value {
  public:
    enum class Kind : u8 { Null, Bool, Unsigned, Signed, Double, String, Array, Object };

    Value() = default;
    Value(std::nullptr_t) {}
    Value(bool value) : data_(value) {}
    template <std::integral I>
    requires(!std::same_as<I, bool>) Value(I value) {
        if constexpr (std::is_signed_v<I>) {
            if (value < 0) {
                data_ = static_cast<i64>(value);
                return;
            }
        }
        data_ = static_cast<u64>(value);
    }
    Value(double value) : data_(value) {}
    Value(std::string value) : data_(std::move(value)) {}
    Value(std::string_view value) : data_(std::string(value)) {}
    Value(const char* value) : data_(std::string(value)) {}
    Value(json::Array value);
    Value(json::Object value);

    Kind kind() const { return static_cast<Kind>(data_.index()); }
    bool is_null() const { return kind() == Kind::Null; }
    bool is_bool() const { return kind() == Kind::Bool; }
    // Written without fraction or exponent and within 64 bits.
    bool is_integer() const { return kind() == Kind::Unsigned || kind() == Kind::Signed; }
    bool is_double() const { return kind() == Kind::Double; }
    bool is_number() const { return is_integer() || is_double(); }
    bool is_string() const { return kind() == Kind::String; }
    bool is_array() const { return kind() == Kind::Array; }
    bool is_object() const { return kind() == Kind::Object; }

    // Each accessor gives nothing (or nullptr) for a value of another kind.
    std::optional<bool> as_bool() const;
    // An integer that fits the type.
    std::optional<i64> as_i64() const;
    std::optional<u64> as_u64() const;
    // Any number, integers converted.
    std::optional<double> as_f64() const;
    const std::string* as_string() const { return std::get_if<std::string>(&data_); }
    const json::Array* as_array() const { return std::get_if<json::Array>(&data_); }
    json::Array* as_array() { return std::get_if<json::Array>(&data_); }
    const json::Object* as_object() const { return std::get_if<json::Object>(&data_); }
    json::Object* as_object() { return std::get_if<json::Object>(&data_); }

    // Member lookup on an object; nullptr for an absent key or a non-object.
    const Value* find(std::string_view key) const;
    std::optional<i64> find_i64(std::string_view key) const;

    // Deep equality: same kind and equal contents (1 and 1.0 differ).
    friend bool operator==(const Value& a, const Value& b) = default;

  private:
    friend class ValueBuilder;
    std::variant<std::monostate, bool, u64, i64, double, std::string, json::Array, json::Object>
        data_;
};

struct Member {
    std::string key;
    Value value;
    friend bool operator==(const Member& a, const Member& b) = default;
};

inline Object::Object() = default;
inline Object::Object(const Object& other) = default;
inline Object::Object(Object&& other) noexcept = default;
inline Object& Object::operator=(const Object& other) = default;
inline Object& Object::operator=(Object&& other) noexcept = default;
inline Object::~Object() = default;

inline Value::Value(json::Array value) : data_(std::move(value)) {}
inline Value::Value(json::Object value) : data_(std::move(value)) {}

// Reads any JSON value; the typed reader's entry for Value fields.
[[nodiscard]] bool read_value(Reader& in, Value& out);

// Parses a whole document: one value with only white space around it.
Result<Value> parse_value(std::string_view text);

}  // namespace vdz::json
