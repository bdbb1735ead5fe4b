// Errors are values in the core: every fallible operation returns a Result
// holding either its value or an Error with the message text the caller
// shows. Nothing in the core throws across its boundary.
#pragma once

#include <string>
#include <utility>
#include <variant>

#include "common/check.h"

namespace vdz {

// A failure carried as data. `message` is the complete text shown to the
// user; the Python front decides which exception class carries it.
struct Error {
    std::string message;
};

inline Error make_error(std::string message) {
    return Error{std::move(message)};
}

// Either a value or an Error. Owned by whoever holds it; moving out the value
// leaves the Result in a valid but unspecified state.
template <class T>
class [[nodiscard]] Result {
  public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Error error) : state_(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & {
        VDZ_ASSERT(ok());
        return std::get<0>(state_);
    }
    const T& value() const& {
        VDZ_ASSERT(ok());
        return std::get<0>(state_);
    }
    T&& value() && {
        VDZ_ASSERT(ok());
        return std::get<0>(std::move(state_));
    }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

    const Error& error() const& {
        VDZ_ASSERT(!ok());
        return std::get<1>(state_);
    }
    Error&& error() && {
        VDZ_ASSERT(!ok());
        return std::get<1>(std::move(state_));
    }

  private:
    std::variant<T, Error> state_;
};

// Result of an operation that yields nothing but may fail.
struct Unit {};
using Status = Result<Unit>;
inline Status ok_status() {
    return Unit{};
}

// Moves a successful result's value into `out`, or hands its error on;
// reads well under VDZ_TRY: `VDZ_TRY(take(read_cards(tables), cards));`.
template <class T>
Status take(Result<T> result, T& out) {
    if (!result) return std::move(result).error();
    out = std::move(result).value();
    return ok_status();
}

}  // namespace vdz

// Propagates an error from an expression returning Status or Result<T>.
// A named result is looked at where it is, not copied (a card power output
// or a built pool is a few hundred allocations); a temporary hands its error
// on by move.
#define VDZ_TRY(expr)                                                                \
    do {                                                                             \
        auto&& vdz_try_result_ = (expr);                                             \
        if (!vdz_try_result_.ok())                                                   \
            return std::forward<decltype(vdz_try_result_)>(vdz_try_result_).error(); \
    } while (0)
