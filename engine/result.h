// The outcome of an operation that can fail: its value, or what failed and why. Every
// layer reports its failures this way. `What` is the layer's own kind of failure (a file
// problem, a transform step, a password fault), so callers tell cases apart by kind,
// never by text; `Cause` is the detail a message shows with it. Nothing here throws.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace tavrinole {

template <class Kind>
struct Failure {
  Kind What;
  std::string Cause;  // the system's reason, or what in the input failed, when there is one
};

template <class Kind>
Failure<Kind> Fail(Kind what, std::string cause = {}) {
  return {std::move(what), std::move(cause)};
}

template <class T, class Kind>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  Result(Failure<Kind> failure) : state_(std::in_place_index<1>, std::move(failure)) {}

  bool Ok() const { return state_.index() == 0; }
  explicit operator bool() const { return Ok(); }

  T& Value() & { return std::get<0>(state_); }
  const T& Value() const& { return std::get<0>(state_); }
  T&& Value() && { return std::get<0>(std::move(state_)); }
  T* operator->() { return &Value(); }
  const T* operator->() const { return &Value(); }
  T& operator*() & { return Value(); }
  const T& operator*() const& { return Value(); }

  const Failure<Kind>& Error() const { return std::get<1>(state_); }

 private:
  std::variant<T, Failure<Kind>> state_;
};

template <class Kind>
class [[nodiscard]] Result<void, Kind> {
 public:
  Result() = default;
  Result(Failure<Kind> failure) : failure_(std::move(failure)) {}

  bool Ok() const { return !failure_; }
  explicit operator bool() const { return Ok(); }

  const Failure<Kind>& Error() const { return *failure_; }

 private:
  std::optional<Failure<Kind>> failure_;
};

}  // namespace tavrinole
