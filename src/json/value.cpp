// Generic values: reading any JSON value into a tree, member lookup and the
// integer rules (non-negative unsigned, negative signed).
#include "json/value.h"

#include <algorithm>
#include <deque>
#include <limits>

#include "json/reader.h"

namespace vdz::json {
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

// Builds one value tree. Elements and members are gathered on two stacks
// shared by every level (deques, so that a slot stays put while nested
// values are read into it) and moved into exactly sized containers when
// their array or object closes. Lives for one read_value call.
class ValueBuilder {
  public:
    explicit ValueBuilder(Reader& in) : in_(in) {}

    bool read(Value& out) {
        bool more = false;
        switch (in_.peek()) {
            case Next::Null: {
                bool was_null = false;
                out.data_.emplace<std::monostate>();
                return in_.take_null(was_null);
            }
            case Next::Bool:
                return in_.read_bool(out.data_.emplace<bool>(), expect_any);
            case Next::Number:
                return read_number(out);
            case Next::String: {
                std::string_view text;
                if (!in_.read_string(text, expect_any)) return false;
                out.data_.emplace<std::string>(text);
                return true;
            }
            case Next::Array: {
                const usize first = elements_.size();
                if (!in_.begin_array(expect_any)) return false;
                while (in_.next_element(more)) {
                    if (!more) {
                        close_array(first, out);
                        return in_.end_array();
                    }
                    if (!read(elements_.emplace_back())) return false;
                }
                return false;
            }
            case Next::Object: {
                const usize first = members_.size();
                if (!in_.begin_object(expect_any)) return false;
                std::string_view key;
                while (in_.next_key(key, more)) {
                    if (!more) {
                        close_object(first, out);
                        return in_.end_object();
                    }
                    Member& member = members_.emplace_back();
                    member.key = key;
                    if (!in_.read_colon() || !read(member.value)) return false;
                }
                return false;
            }
            case Next::End:
            case Next::Invalid:
                break;
        }
        return in_.skip_value();  // reports the missing or invalid value
    }

  private:
    static std::string expect_any() { return "any valid JSON value"; }

    bool read_number(Value& out) {
        Number number;
        if (!in_.read_number(number, expect_any)) return false;
        switch (number.kind) {
            case Number::Kind::Unsigned:
                out.data_.emplace<u64>(number.unsigned_value);
                break;
            case Number::Kind::Signed:
                out.data_.emplace<i64>(number.signed_value);
                break;
            case Number::Kind::Double:
                out.data_.emplace<double>(number.double_value);
                break;
        }
        return true;
    }

    void close_array(usize first, Value& out) {
        const auto begin = elements_.begin() + static_cast<std::ptrdiff_t>(first);
        out.data_.emplace<json::Array>(std::make_move_iterator(begin),
                                       std::make_move_iterator(elements_.end()));
        elements_.erase(begin, elements_.end());
    }

    // Moves the object's members into `out` sorted by key, keeping the last
    // of repeated keys: the order is found on pointers (a stable sort), so
    // every member moves once.
    void close_object(usize first, Value& out) {
        order_.clear();
        for (auto it = members_.begin() + static_cast<std::ptrdiff_t>(first); it != members_.end();
             ++it) {
            order_.push_back(&*it);
        }
        const usize count = order_.size();
        const auto by_key = [](const Member* a, const Member* b) {
            // Keys mostly differ in their first byte.
            if (!a->key.empty() && !b->key.empty() && a->key[0] != b->key[0]) {
                return static_cast<unsigned char>(a->key[0]) <
                       static_cast<unsigned char>(b->key[0]);
            }
            return a->key < b->key;
        };
        if (count > 32) {
            std::stable_sort(order_.begin(), order_.end(), by_key);
        } else {
            // Insertion sort: stable, and free of the merge sort's buffer.
            for (usize i = 1; i < count; ++i) {
                Member* const moving = order_[i];
                usize hole = i;
                for (; hole > 0 && by_key(moving, order_[hole - 1]); --hole) {
                    order_[hole] = order_[hole - 1];
                }
                order_[hole] = moving;
            }
        }

        json::Object& object = out.data_.emplace<json::Object>();
        object.members_.reserve(count);
        for (usize i = 0; i < count; ++i) {
            if (i + 1 < count && order_[i + 1]->key == order_[i]->key) continue;
            object.members_.push_back(std::move(*order_[i]));
        }
        members_.erase(members_.begin() + static_cast<std::ptrdiff_t>(first), members_.end());
    }

    Reader& in_;
    std::deque<Value> elements_;  // elements of the open arrays, outermost first
    std::deque<Member> members_;  // members of the open objects, outermost first
    std::vector<Member*> order_;  // sorting scratch of close_object
};

bool read_value(Reader& in, Value& out) {
    return ValueBuilder(in).read(out);
}

Result<Value> parse_value(std::string_view text) {
    Reader in(text);
    Value value;
    if (!read_value(in, value) || !in.finish()) return in.take_error();
    return value;
}

}  // namespace vdz::json
