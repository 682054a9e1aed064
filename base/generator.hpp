// quire::Generator<T>: a lazy sequence written as a coroutine.
//
// The body runs only as far as the consumer asks: each increment resumes it
// up to the next co_yield. A Generator is a move-only std::ranges::view and
// input_range, so it works with range-for and std::views, may be unbounded,
// and can be abandoned at any point (destroying it destroys the suspended
// body and runs its destructors). An exception thrown by the body reaches
// the consumer from begin() or the increment that resumed it.
//
// Example:
//   quire::Generator<int> naturals() {
//     for (int i = 0;; ++i) co_yield i;
//   }
//   for (int n : naturals() | std::views::take(3)) { ... }  // 0, 1, 2
//
// Note: a Generator is a single-pass range; begin() may be called once.
// Dereferencing gives T&, so a consumer may move a yielded value out; a
// value yielded as an lvalue is copied first, so the body's own variable is
// never moved from.
#pragma once

#include <coroutine>
#include <cstddef>
#include <exception>
#include <iterator>
#include <memory>
#include <ranges>
#include <type_traits>
#include <utility>

namespace quire {

template <class T>
class Generator : public std::ranges::view_base {
  static_assert(std::is_object_v<T> && std::is_same_v<T, std::remove_cv_t<T>>,
                "Generator<T> yields values of a non-const object type");

 public:
  class promise_type;
  using Handle = std::coroutine_handle<promise_type>;

  class promise_type {
   public:
    Generator get_return_object() noexcept { return Generator(Handle::from_promise(*this)); }
    std::suspend_always initial_suspend() const noexcept { return {}; }
    std::suspend_always final_suspend() const noexcept { return {}; }
    void return_void() const noexcept {}
    void unhandled_exception() noexcept { error_ = std::current_exception(); }

    // A temporary (or moved) value lives in the coroutine frame until the
    // body resumes, so the consumer can see it in place.
    std::suspend_always yield_value(T&& value) noexcept {
      current_ = std::addressof(value);
      return {};
    }

    // Keeps a copy of an lvalue alive across the suspension.
    auto yield_value(const T& value) noexcept(std::is_nothrow_copy_constructible_v<T>) {
      struct CopyAwaiter {
        T copy;
        promise_type* promise;
        bool await_ready() const noexcept { return false; }
        void await_suspend(Handle) noexcept { promise->current_ = std::addressof(copy); }
        void await_resume() const noexcept {}
      };
      return CopyAwaiter{value, this};
    }

    // A generator body may only yield; it cannot wait on anything.
    template <class U>
    std::suspend_never await_transform(U&&) = delete;

   private:
    friend class Generator;
    T* current_ = nullptr;
    std::exception_ptr error_;
  };

  class iterator {
   public:
    using value_type = T;
    using difference_type = std::ptrdiff_t;

    iterator() = default;

    T& operator*() const noexcept { return *handle_.promise().current_; }
    T* operator->() const noexcept { return handle_.promise().current_; }
    iterator& operator++() {
      advance(handle_);
      return *this;
    }
    void operator++(int) { ++*this; }

    friend bool operator==(const iterator& it, std::default_sentinel_t) noexcept {
      return !it.handle_ || it.handle_.done();
    }

   private:
    friend class Generator;
    explicit iterator(Handle handle) noexcept : handle_(handle) {}
    Handle handle_;
  };

  // An empty sequence.
  Generator() noexcept = default;
  Generator(Generator&& other) noexcept
      : handle_(std::exchange(other.handle_, nullptr)),
        started_(std::exchange(other.started_, false)) {}
  Generator& operator=(Generator&& other) noexcept {
    if (this != &other) {
      destroy();
      handle_ = std::exchange(other.handle_, nullptr);
      started_ = std::exchange(other.started_, false);
    }
    return *this;
  }
  Generator(const Generator&) = delete;
  Generator& operator=(const Generator&) = delete;
  ~Generator() { destroy(); }

  // Runs the body up to its first co_yield (on the first call only).
  iterator begin() {
    if (handle_ && !started_) {
      started_ = true;
      advance(handle_);
    }
    return iterator(handle_);
  }
  std::default_sentinel_t end() const noexcept { return {}; }

 private:
  explicit Generator(Handle handle) noexcept : handle_(handle) {}

  // Resumes the body to its next co_yield or its end, rethrowing anything
  // it threw (the body is then finished).
  static void advance(Handle handle) {
    handle.resume();
    if (handle.promise().error_) std::rethrow_exception(std::exchange(handle.promise().error_, {}));
  }

  void destroy() noexcept {
    if (handle_) handle_.destroy();
  }

  Handle handle_;
  bool started_ = false;
};

}  // namespace quire
