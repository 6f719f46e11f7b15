// A value, or the reason there is none. A failure's text names what was being
// read, so that it can be shown as it is ("MFT record 12: bad fixup").
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace quarvel::ntfs {

struct Failure {
  std::string text;
};

template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  Result(Failure failure) : state_(std::in_place_index<1>, std::move(failure)) {}

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }

  T& value() & { return std::get<0>(state_); }
  const T& value() const& { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

  const Failure& failure() const { return std::get<1>(state_); }

 private:
  std::variant<T, Failure> state_;
};

// An operation that yields nothing but may fail.
struct Done {};
using Status = Result<Done>;
inline Status Ok() { return Done{}; }

}  // namespace quarvel::ntfs
