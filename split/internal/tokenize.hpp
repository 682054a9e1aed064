// Tokenising: cutting input into Text and Delim chunks (the first step of
// the engine), for any input range and, without copying, for contiguous
// input.
//
// A matcher is what a delimiter looks like to the tokenisers: size() and
// test(i, e), the i-th predicate applied to e. Delimiter<E> is one; a single
// predicate known at compile time (PredicateMatcher) is another, so that
// the ready-made functions taking a predicate call it inline.
//
// At each position the delimiter is tried afresh, predicates left to right
// and stopping at the first false one; a failed partial match moves the
// scan on by exactly one element. The contiguous fast paths (memchr,
// memcmp, a byte table) apply only to delimiters built from elements of a
// one-byte integral type, where they find the same leftmost match.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstring>
#include <deque>
#include <optional>
#include <ranges>
#include <type_traits>
#include <utility>

#include "split/internal/stages.hpp"
#include "split/splitter.hpp"

namespace quire::split::detail {

template <class P>
struct PredicateMatcher {
  P pred;
  static constexpr std::size_t size() noexcept { return 1; }
  template <class E>
  bool test(std::size_t, const E& e) const {
    return static_cast<bool>(pred(e));
  }
};

// Past the match of m at first, or nothing; reads no further than needed.
template <class M, std::forward_iterator I, std::sentinel_for<I> S>
std::optional<I> matchAt(const M& m, I first, S last) {
  const std::size_t k = m.size();
  for (std::size_t i = 0; i < k; ++i, ++first) {
    if (first == last || !m.test(i, *first)) return std::nullopt;
  }
  return first;
}

template <class T>
constexpr bool isByteLike = std::is_integral_v<T> && sizeof(T) == 1;

// Finds the leftmost match of a non-empty matcher in contiguous memory.
template <class T, class M>
class Finder {
 public:
  explicit Finder(M m) : m_(std::move(m)), k_(m_.size()) {
    if constexpr (std::is_same_v<M, Delimiter<T>> && isByteLike<T>) {
      if (m_.kind() == Delimiter<T>::Kind::Sublist) {
        way_ = k_ == 1 ? Way::OneByte : Way::Bytes;
        pattern_ = m_.elements().data();
      } else if (m_.kind() == Delimiter<T>::Kind::AnyOf) {
        way_ = Way::ByteSet;
        for (T e : m_.elements()) set_[std::bit_cast<unsigned char>(e)] = true;
      }
    }
  }

  std::size_t size() const noexcept { return k_; }

  // The start of the leftmost match in [p, end), or end when there is none.
  const T* find(const T* p, const T* end) const {
    if constexpr (std::is_same_v<M, Delimiter<T>> && isByteLike<T>) {
      switch (way_) {
        case Way::OneByte: return findByte(p, end);
        case Way::Bytes: return findBytes(p, end);
        case Way::ByteSet: return findInSet(p, end);
        case Way::Generic: break;
      }
    }
    if (k_ == 1) return std::find_if(p, end, [this](const T& e) { return m_.test(0, e); });
    for (; p != end; ++p) {
      if (matchAt(m_, p, end)) return p;
    }
    return end;
  }

 private:
  enum class Way { Generic, OneByte, Bytes, ByteSet };

  const T* findByte(const T* p, const T* end) const {
    const void* hit = std::memchr(p, std::bit_cast<unsigned char>(pattern_[0]),
                                  static_cast<std::size_t>(end - p));
    return hit ? static_cast<const T*>(hit) : end;
  }

  const T* findBytes(const T* p, const T* end) const {
    if (static_cast<std::size_t>(end - p) < k_) return end;
    const T* lastStart = end - k_ + 1;
    while (p != lastStart) {
      p = findByte(p, lastStart);
      if (p == lastStart) return end;
      if (p[1] == pattern_[1] && (k_ == 2 || std::memcmp(p + 2, pattern_ + 2, k_ - 2) == 0)) return p;
      ++p;
    }
    return end;
  }

  const T* findInSet(const T* p, const T* end) const {
    while (p != end && !set_[std::bit_cast<unsigned char>(*p)]) ++p;
    return p;
  }

  M m_;
  std::size_t k_;
  Way way_ = Way::Generic;
  const T* pattern_ = nullptr;  // into m_'s shared storage
  std::array<bool, 256> set_{};
};

template <class View>
using ViewElement = std::remove_cv_t<typename View::value_type>;

// Chunks of a contiguous input, as views into it.
template <class View, class M>
class ViewTokenizer {
  using T = ViewElement<View>;

 public:
  using value_type = Chunk<View>;
  ViewTokenizer(M m, View input) : finder_(std::move(m)), p_(input.data()), end_(p_ + input.size()) {}

  bool next(value_type& out) {
    if (hasPending_) {
      hasPending_ = false;
      out = pending_;
      return true;
    }
    if (p_ == end_) return false;
    const std::size_t k = finder_.size();
    if (k == 0) {
      // An empty match, then one element as text: progress is guaranteed.
      out = value_type::Delim(View(p_, 0));
      pending_ = value_type::Text(View(p_, 1));
      hasPending_ = true;
      ++p_;
      return true;
    }
    const T* q = finder_.find(p_, end_);
    if (q == end_) {
      out = value_type::Text(View(p_, static_cast<std::size_t>(end_ - p_)));
      p_ = end_;
      return true;
    }
    if (q == p_) {
      out = value_type::Delim(View(q, k));
    } else {
      out = value_type::Text(View(p_, static_cast<std::size_t>(q - p_)));
      pending_ = value_type::Delim(View(q, k));
      hasPending_ = true;
    }
    p_ = q + k;
    return true;
  }

 private:
  Finder<T, M> finder_;
  const T* p_;
  const T* end_;
  bool hasPending_ = false;
  value_type pending_{};
};

// Chunks of any input range, read element by element. Elements read ahead
// while a long delimiter is tried (at most its length) wait in a queue.
template <class V, class M, class Seq>
class InputTokenizer {
 public:
  using E = std::ranges::range_value_t<Seq>;
  using value_type = Chunk<Seq>;
  InputTokenizer(M m, V input) : m_(std::move(m)), input_(std::move(input)) {}

  // The text is gathered in out's own sequence, and chunks are assigned
  // field by field, so that an element sequence is moved once per chunk.
  bool next(value_type& out) {
    if (hasPending_) {
      hasPending_ = false;
      out.kind = pending_.kind;
      out.elems = std::move(pending_.elems);
      return true;
    }
    if (!have(0)) return false;
    Seq& text = out.elems;
    text.clear();
    const std::size_t k = m_.size();
    if (k == 0) {
      out.kind = ChunkKind::Delim;
      hold(ChunkKind::Text, Seq(1, takeFront()));
      return true;
    }
    if (k == 1) return nextAfterSingle(out);
    while (!matchesHere(k)) {
      text.push_back(takeFront());
      if (!have(0)) {
        out.kind = ChunkKind::Text;
        return true;
      }
    }
    Seq matched{};
    for (std::size_t i = 0; i < k; ++i) matched.push_back(takeFront());
    return giveMatch(out, std::move(matched));
  }

 private:
  // A one-element delimiter never needs elements read ahead: each element
  // is either the match or text.
  bool nextAfterSingle(value_type& out) {
    E e = takeFront();
    while (!m_.test(0, e)) {
      out.elems.push_back(std::move(e));
      if (!input_.next(e)) {
        out.kind = ChunkKind::Text;
        return true;
      }
    }
    return giveMatch(out, Seq(1, std::move(e)));
  }

  // The text gathered in out (if any), then the match.
  bool giveMatch(value_type& out, Seq&& matched) {
    if (out.elems.empty()) {
      out.kind = ChunkKind::Delim;
      out.elems = std::move(matched);
    } else {
      out.kind = ChunkKind::Text;
      hold(ChunkKind::Delim, std::move(matched));
    }
    return true;
  }

  void hold(ChunkKind kind, Seq&& elems) {
    pending_.kind = kind;
    pending_.elems = std::move(elems);
    hasPending_ = true;
  }

  // Whether at least i + 1 elements are at hand, reading as needed.
  bool have(std::size_t i) {
    while (ahead_.size() <= i) {
      E e;
      if (!input_.next(e)) return false;
      ahead_.push_back(std::move(e));
    }
    return true;
  }
  bool matchesHere(std::size_t k) {
    for (std::size_t i = 0; i < k; ++i) {
      if (!have(i) || !m_.test(i, ahead_[i])) return false;
    }
    return true;
  }
  E takeFront() {
    E e = std::move(ahead_.front());
    ahead_.pop_front();
    return e;
  }

  M m_;
  RangeSource<V, E> input_;
  std::deque<E> ahead_;
  bool hasPending_ = false;
  value_type pending_{};
};

}  // namespace quire::split::detail
