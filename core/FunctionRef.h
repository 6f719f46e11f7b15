// A reference to a callable, for a callback called only while the function
// that takes it runs. Unlike std::function it never copies the callable: a
// lambda that captures more than two references costs std::function a heap
// allocation, and the MFT's reader takes one per record, millions of them.
#pragma once

#include <memory>
#include <type_traits>
#include <utility>

namespace quarvel {

template <class Signature>
class FunctionRef;

template <class Result, class... Args>
class FunctionRef<Result(Args...)> {
 public:
  template <class Callable>
    requires(!std::is_same_v<std::remove_cvref_t<Callable>, FunctionRef> &&
             std::is_invocable_r_v<Result, Callable&, Args...>)
  FunctionRef(Callable&& callable) noexcept  // NOLINT(google-explicit-constructor): taken like std::function
      : object_(const_cast<void*>(static_cast<const void*>(std::addressof(callable)))),
        call_([](void* object, Args... args) -> Result {
          return (*static_cast<std::add_pointer_t<std::remove_reference_t<Callable>>>(object))(
              std::forward<Args>(args)...);
        }) {}

  Result operator()(Args... args) const { return call_(object_, std::forward<Args>(args)...); }

 private:
  void* object_;
  Result (*call_)(void*, Args...);
};

}  // namespace quarvel
