#pragma once

#include <functional>
#include <type_traits>
#include <utility>

namespace corvale {

template <typename Signature> class Callback;

// A function value that does nothing (and returns a value-initialised result) until someone sets
// it, so a view may call any hook before the application object has connected it.
template <typename R, typename... Args> class Callback<R(Args...)> {
public:
    Callback() = default;
    template <typename F>
    requires std::is_constructible_v<std::function<R(Args...)>, F> Callback& operator=(F&& fn) {
        fn_ = std::function<R(Args...)>(std::forward<F>(fn));
        return *this;
    }

    R operator()(Args... args) const {
        if (fn_) {
            return fn_(std::forward<Args>(args)...);
        }
        if constexpr (!std::is_void_v<R>) {
            return R{};
        }
    }
    explicit operator bool() const { return static_cast<bool>(fn_); }

private:
    std::function<R(Args...)> fn_;
};

} // namespace corvale
