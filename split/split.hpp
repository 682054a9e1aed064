// quire::split: cutting sequences into fields.
//
// A Splitter says what a delimiter is (a sequence of element predicates),
// what happens to the delimiters found (dropped, kept as fields, glued to a
// neighbour) and to empty fields (kept, dropped between delimiters, dropped
// at either end); split runs it over any input range of any element type.
// Ready-made functions cover the usual cases, and chunksOf, splitPlaces,
// divvy and chop cut by position instead. Results are lazy input ranges:
// they read the input only as far as the fields taken need. Strings, string
// views and spans are split without copying: the fields are views into them.
//
// Example:
//   #include <split/split.hpp>
//   using namespace quire::split;
//   for (std::string_view field : splitOn(",", "a,b,,c")) ...  // "a", "b", "", "c"
//   auto words = wordsBy([](char c) { return c == ' '; }, "  to be  ");
//   // "to", "be"
//   auto fields = split(condense(dropDelims(oneOf(" ,"))), "1, 2,3");
//   // "1", "2", "3"
//   std::istringstream in("x;y;z;...endless...");
//   auto first = splitOn(";", streamChars(in)) | std::views::take(3);
//   // std::string fields "x", "y", "z", reading only as far as "z;"
#pragma once

#include <cstddef>
#include <istream>
#include <iterator>
#include <ranges>
#include <streambuf>
#include <string>

#include "split/combinators.hpp"
#include "split/engine.hpp"
#include "split/positional.hpp"
#include "split/splitter.hpp"

namespace quire::split {

// The characters of a stream as an input range, read on demand (white
// space included), for splitting a stream as it arrives. A character is
// taken from the stream when it is looked at, so a consumer that stops
// early leaves the stream just after the last character it needed.
class StreamChars : public std::ranges::view_base {
 public:
  class iterator {
   public:
    using iterator_concept = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;

    iterator() = default;
    char operator*() const {
      if (!taken_) {
        current_ = std::char_traits<char>::to_char_type(buf_->sbumpc());
        taken_ = true;
      }
      return current_;
    }
    iterator& operator++() {
      if (!taken_) buf_->sbumpc();
      taken_ = false;
      return *this;
    }
    void operator++(int) { ++*this; }
    friend bool operator==(const iterator& it, std::default_sentinel_t) {
      return !it.taken_ && (it.buf_ == nullptr || std::char_traits<char>::eq_int_type(
                                                      it.buf_->sgetc(), std::char_traits<char>::eof()));
    }

   private:
    friend class StreamChars;
    explicit iterator(std::streambuf* buf) : buf_(buf) {}
    std::streambuf* buf_ = nullptr;
    mutable char current_ = 0;
    mutable bool taken_ = false;
  };

  explicit StreamChars(std::istream& in) : buf_(in.rdbuf()) {}
  iterator begin() const { return iterator(buf_); }
  std::default_sentinel_t end() const noexcept { return {}; }

 private:
  std::streambuf* buf_;
};

inline StreamChars streamChars(std::istream& in) { return StreamChars(in); }

}  // namespace quire::split
