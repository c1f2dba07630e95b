// SPDX-License-Identifier: MIT
// The program's one way to report a failure it expects: a value, or the reason there is none.
#pragma once

#include <cassert>
#include <concepts>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

// Why something failed: one line of English for a person, starting lower-case and naming what
// failed ("cannot open data/play.lst: No such file or directory"). Made by Fail().
struct TError {
  std::string Message;
};

inline TError Fail(std::string message) { return TError{std::move(message)}; }

template <class T>
class TResult;

namespace detail {
template <class T>
inline constexpr bool kIsResult = false;
template <class T>
inline constexpr bool kIsResult<TResult<T>> = true;
}  // namespace detail

// The outcome of an operation that can fail for reasons outside the program (a file, a library,
// the window system, damaged data): either a T, or a TError. A function returns a value or
// `Fail(...)`; the caller tests the result like a pointer, then reads Value() or Error():
//
//   TResult<TPlayList> list = ReadPlayListFile(path);
//   if (!list) return Fail("no playlist: " + list.Error());
//   Use(*list);
//
// Reading the value of a failed result is a programmer mistake and fails an assert.
template <class T>
class [[nodiscard]] TResult {
public:
  // Success, from anything a T can be made from (a derived pointer for a base one, say).
  template <class U = T>
  requires std::constructible_from<T, U&&> &&
      (!std::same_as<std::remove_cvref_t<U>, TError>)&&(!detail::kIsResult<std::remove_cvref_t<U>>)TResult(U&& value)
      : FState(std::in_place_index<0>, std::forward<U>(value)) {}
  TResult(TError error) : FState(std::in_place_index<1>, std::move(error)) {}
  // A result of another type whose value converts: a success stays one, a failure keeps its reason.
  template <class U>
  requires(!std::same_as<U, T>) && std::constructible_from<T, U&&> TResult(TResult<U>&& other)
      : FState(Convert(std::move(other))) {}

  bool Ok() const { return FState.index() == 0; }
  explicit operator bool() const { return Ok(); }

  T& Value() & { return std::get<0>(Checked()); }
  const T& Value() const& { return std::get<0>(Checked()); }
  T&& Value() && { return std::get<0>(std::move(Checked())); }
  T& operator*() & { return Value(); }
  const T& operator*() const& { return Value(); }
  T&& operator*() && { return std::move(*this).Value(); }
  T* operator->() { return &Value(); }
  const T* operator->() const { return &Value(); }

  // The reason of a failure; empty for a success.
  const std::string& Error() const {
    static const std::string kNone;
    return Ok() ? kNone : std::get<1>(FState).Message;
  }

private:
  template <class U>
  static std::variant<T, TError> Convert(TResult<U>&& other) {
    if (other) return std::variant<T, TError>(std::in_place_index<0>, std::move(*other));
    return std::variant<T, TError>(std::in_place_index<1>, Fail(other.Error()));
  }
  std::variant<T, TError>& Checked() {
    assert(Ok() && "the value of a failed TResult was read");
    return FState;
  }
  const std::variant<T, TError>& Checked() const {
    assert(Ok() && "the value of a failed TResult was read");
    return FState;
  }

  std::variant<T, TError> FState;
};

// The outcome of an operation that gives nothing back but can fail: `return {};` for success.
template <>
class [[nodiscard]] TResult<void> {
public:
  TResult() = default;
  TResult(TError error) : FError(std::move(error.Message)), FFailed(true) {}

  bool Ok() const { return !FFailed; }
  explicit operator bool() const { return Ok(); }
  // The reason of a failure; empty for a success.
  const std::string& Error() const { return FError; }

private:
  std::string FError;
  bool FFailed = false;
};
