// Generic values: reading any JSON value into a tree, member lookup and the
// integer rules (non-negative unsigned, negative signed).
#include "json/value.h"

#include <algorithm>
#include <limits>

#include "json/reader.h"

namespace vdz::json {
namespace {

std::string expect_any() {
    return "any valid JSON value";
}

// Sorts members by key; of repeated keys the last one read stays.
void sort_keeping_last(std::vector<Member>& members) {
    std::stable_sort(members.begin(), members.end(),
                     [](const Member& a, const Member& b) { return a.key < b.key; });
    auto kept = members.begin();
    for (auto it = members.begin(); it != members.end(); ++it) {
        const auto next = it + 1;
        if (next != members.end() && next->key == it->key) continue;
        if (kept != it) *kept = std::move(*it);
        ++kept;
    }
    members.erase(kept, members.end());
}

}  // namespace

// --- Object ----------------------------------------------------------------------

usize Object::size() const {
    return members_.size();
}

bool Object::empty() const {
    return members_.empty();
}

const Member* Object::begin() const {
    return members_.data();
}

const Member* Object::end() const {
    return members_.data() + members_.size();
}

const Value* Object::find(std::string_view key) const {
    const auto it = std::lower_bound(members_.begin(), members_.end(), key,
                                     [](const Member& m, std::string_view k) { return m.key < k; });
    return it != members_.end() && it->key == key ? &it->value : nullptr;
}

Value* Object::find(std::string_view key) {
    return const_cast<Value*>(std::as_const(*this).find(key));
}

void Object::insert_or_assign(std::string key, Value value) {
    const auto it =
        std::lower_bound(members_.begin(), members_.end(), key,
                         [](const Member& m, const std::string& k) { return m.key < k; });
    if (it != members_.end() && it->key == key) {
        it->value = std::move(value);
    } else {
        members_.insert(it, Member{std::move(key), std::move(value)});
    }
}

bool operator==(const Object& a, const Object& b) {
    return a.members_ == b.members_;
}

// --- Value -----------------------------------------------------------------------

std::optional<bool> Value::as_bool() const {
    if (const bool* b = std::get_if<bool>(&data_)) return *b;
    return std::nullopt;
}

std::optional<i64> Value::as_i64() const {
    if (const u64* u = std::get_if<u64>(&data_)) {
        if (*u <= static_cast<u64>(std::numeric_limits<i64>::max())) return static_cast<i64>(*u);
        return std::nullopt;
    }
    if (const i64* i = std::get_if<i64>(&data_)) return *i;
    return std::nullopt;
}

std::optional<u64> Value::as_u64() const {
    if (const u64* u = std::get_if<u64>(&data_)) return *u;
    return std::nullopt;
}

std::optional<double> Value::as_f64() const {
    if (const u64* u = std::get_if<u64>(&data_)) return static_cast<double>(*u);
    if (const i64* i = std::get_if<i64>(&data_)) return static_cast<double>(*i);
    if (const double* d = std::get_if<double>(&data_)) return *d;
    return std::nullopt;
}

const Value* Value::find(std::string_view key) const {
    const json::Object* object = as_object();
    return object != nullptr ? object->find(key) : nullptr;
}

std::optional<i64> Value::find_i64(std::string_view key) const {
    const Value* value = find(key);
    return value != nullptr ? value->as_i64() : std::nullopt;
}

// --- reading -----------------------------------------------------------------------

bool read_value(Reader& in, Value& out) {
    bool more = false;
    switch (in.peek()) {
        case Next::Null: {
            bool was_null = false;
            out = Value();
            return in.take_null(was_null);
        }
        case Next::Bool: {
            bool b = false;
            if (!in.read_bool(b, expect_any)) return false;
            out = Value(b);
            return true;
        }
        case Next::Number: {
            Number number;
            if (!in.read_number(number, expect_any)) return false;
            switch (number.kind) {
                case Number::Kind::Unsigned:
                    out = Value(number.unsigned_value);
                    break;
                case Number::Kind::Signed:
                    out = Value(number.signed_value);
                    break;
                case Number::Kind::Double:
                    out = Value(number.double_value);
                    break;
            }
            return true;
        }
        case Next::String: {
            std::string_view text;
            if (!in.read_string(text, expect_any)) return false;
            out = Value(text);
            return true;
        }
        case Next::Array: {
            json::Array elements;
            if (!in.begin_array(expect_any)) return false;
            while (in.next_element(more)) {
                if (!more) {
                    out = Value(std::move(elements));
                    return in.end_array();
                }
                if (!read_value(in, elements.emplace_back())) return false;
            }
            return false;
        }
        case Next::Object: {
            json::Object object;
            if (!in.begin_object(expect_any)) return false;
            std::string_view key;
            while (in.next_key(key, more)) {
                if (!more) {
                    sort_keeping_last(object.members_);
                    out = Value(std::move(object));
                    return in.end_object();
                }
                Member& member = object.members_.emplace_back();
                member.key = key;
                if (!in.read_colon() || !read_value(in, member.value)) return false;
            }
            return false;
        }
        case Next::End:
        case Next::Invalid:
            break;
    }
    return in.skip_value();  // reports the missing or invalid value
}

Result<Value> parse_value(std::string_view text) {
    Reader in(text);
    Value value;
    if (!read_value(in, value) || !in.finish()) return in.take_error();
    return value;
}

}  // namespace vdz::json
