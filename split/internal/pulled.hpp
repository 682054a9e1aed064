// Pulled<Stage>: the input range over the values a pull stage produces.
//
// A stage is a small state machine: next(out) stores its next value in out
// and answers true, or answers false at its end (and on every later call).
// Stages compose by holding their upstream stage by value, so a whole
// pipeline is one object the compiler can see through.
//
// The range pulls lazily: incrementing an iterator only marks the current
// value as used; the next value is pulled when it is looked at or compared
// with the end. So taking three fields never computes a fourth, and the
// input is read no further than those three fields need.
#pragma once

#include <concepts>
#include <cstddef>
#include <iterator>
#include <memory>
#include <ranges>
#include <utility>

namespace quire::split::detail {

// Stages are moved into place once and never assigned, so a stage holding
// a capturing lambda (not assignable) is a stage too.
template <class S>
concept PullStage = std::move_constructible<S> && std::default_initializable<typename S::value_type> &&
                    requires(S& s, typename S::value_type& out) {
                      { s.next(out) } -> std::same_as<bool>;
                    };

// A plain view_base rather than view_interface: the helpers view_interface
// adds need a forward range, and some compilers (clang 14 with libstdc++ 12)
// reject the class outright while checking them.
template <PullStage Stage>
class Pulled : public std::ranges::view_base {
  // On the heap, so that moving the range keeps its iterators valid and a
  // pipeline's state is allocated once, not per value.
  struct State {
    explicit State(Stage&& s) : stage(std::move(s)) {}
    void settle() {
      if (stale) {
        stale = false;
        has = stage.next(value);
      }
    }
    Stage stage;
    typename Stage::value_type value{};
    bool stale = true;  // value is not yet the current one
    bool has = false;
  };

 public:
  using value_type = typename Stage::value_type;

  class iterator {
   public:
    using iterator_concept = std::input_iterator_tag;
    using value_type = Pulled::value_type;
    using difference_type = std::ptrdiff_t;

    iterator() = default;
    // The current value; a consumer may move it out.
    value_type& operator*() const {
      state_->settle();
      return state_->value;
    }
    value_type* operator->() const { return &**this; }
    iterator& operator++() {
      state_->settle();  // a value skipped unseen is still consumed
      state_->stale = true;
      return *this;
    }
    void operator++(int) { ++*this; }
    friend bool operator==(const iterator& it, std::default_sentinel_t) {
      it.state_->settle();
      return !it.state_->has;
    }

   private:
    friend class Pulled;
    explicit iterator(State* state) noexcept : state_(state) {}
    State* state_ = nullptr;
  };

  explicit Pulled(Stage stage) : state_(std::make_unique<State>(std::move(stage))) {}

  // Single pass: every iterator shares the one position.
  iterator begin() { return iterator(state_.get()); }
  std::default_sentinel_t end() const noexcept { return {}; }

 private:
  std::unique_ptr<State> state_;
};

}  // namespace quire::split::detail
