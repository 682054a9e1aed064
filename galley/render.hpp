// The layout engine: from a Doc to a SimpleDoc, a stream of characters,
// strings, line breaks and terminal style commands.
//
// renderPretty chooses, for every group, the wide (flat) layout when the
// rest of the current line fits in both the page width and the ribbon (the
// share of the width that text may take after the indentation);
// renderSmart also rejects a wide layout whose following, more deeply
// indented lines overflow the page; renderCompact makes no choices and
// writes no indentation or styles. The stream is produced on demand: it is
// a C++20 input range, and a consumer that stops early causes no further
// layout work. A styled region ends with SSGR [Reset, ...] that restores the
// style in force before it; a document without styles yields no SSGR.
//
// Example:
//   using namespace quire::galley;
//   Doc d = group(above(text("hello"), text("world")));
//   displayS(renderPretty(0.4f, 80, d))  // == "hello world"
//   displayS(renderPretty(0.4f, 8, d))   // == "hello\nworld"
//   for (const SimpleDocElement& e : renderCompact(d)) {
//     // e.kind: SText "hello", SLine 0, SText "world", SEmpty
//   }
//
// Note: the ribbon width is round(width * ribbon) in single precision, ties
// to even, clamped to [0, width]: 80 and 0.4 give 32.
#pragma once

#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "galley/doc.hpp"
#include "galley/export.hpp"
#include "vtcontrol/sgr.hpp"

namespace quire::galley {

enum class SimpleDocKind : std::uint8_t { SFail, SEmpty, SChar, SText, SLine, SSGR };

// One element of a rendered stream. SFail and SEmpty end a stream.
struct QUIRE_GALLEY_EXPORT SimpleDocElement {
  SimpleDocKind kind = SimpleDocKind::SEmpty;
  char32_t character = 0;               // SChar
  std::int64_t length = 0;              // SText: the number of characters
  std::string_view text;                // SText: UTF-8, alive as long as this element
  std::int64_t indentation = 0;         // SLine: spaces after the newline
  std::vector<vtcontrol::SGR> sgr;      // SSGR
  Doc keepAlive;                        // owns the storage `text` points into

  [[nodiscard]] bool ends() const noexcept {
    return kind == SimpleDocKind::SEmpty || kind == SimpleDocKind::SFail;
  }
};

QUIRE_GALLEY_EXPORT SimpleDocElement SFail();
QUIRE_GALLEY_EXPORT SimpleDocElement SEmpty();
QUIRE_GALLEY_EXPORT SimpleDocElement SChar(char32_t c);
QUIRE_GALLEY_EXPORT SimpleDocElement SText(std::int64_t length, std::string_view utf8);
QUIRE_GALLEY_EXPORT SimpleDocElement SLine(std::int64_t indentation);
QUIRE_GALLEY_EXPORT SimpleDocElement SSGR(std::vector<vtcontrol::SGR> commands);

class SimpleDoc;
namespace detail {
// Appends what a stream from the layout engine writes out, straight from
// the engine; false (and nothing done) for any other stream.
bool appendRendered(SimpleDoc& stream, std::string& out);
}  // namespace detail

// A rendered document: a single-pass input range of SimpleDocElement that
// yields elements up to and including the SEmpty or SFail that ends it.
// Move-only; begin() may be called once.
class QUIRE_GALLEY_EXPORT SimpleDoc {
 public:
  // What produces the elements: next() fills `out` and answers false when
  // nothing is left.
  class Source {
   public:
    virtual ~Source();
    virtual bool next(SimpleDocElement& out) = 0;
  };

  explicit SimpleDoc(std::shared_ptr<Source> source) noexcept;
  // A stream of the given elements (it ends at the first SEmpty or SFail,
  // or after the last element).
  explicit SimpleDoc(std::vector<SimpleDocElement> elements);
  SimpleDoc(SimpleDoc&&) noexcept;
  SimpleDoc& operator=(SimpleDoc&&) noexcept;
  SimpleDoc(const SimpleDoc&) = delete;
  SimpleDoc& operator=(const SimpleDoc&) = delete;
  ~SimpleDoc();

  // The next element, or nullptr after the end. Valid until the next call.
  const SimpleDocElement* pull();

  class iterator {
   public:
    using value_type = SimpleDocElement;
    using difference_type = std::ptrdiff_t;
    using reference = const SimpleDocElement&;
    iterator() = default;
    reference operator*() const { return *current_; }
    const SimpleDocElement* operator->() const { return current_; }
    iterator& operator++() {
      current_ = doc_->pull();
      return *this;
    }
    void operator++(int) { ++*this; }
    friend bool operator==(const iterator& it, std::default_sentinel_t) { return it.current_ == nullptr; }

   private:
    friend class SimpleDoc;
    explicit iterator(SimpleDoc* doc) : doc_(doc), current_(doc->pull()) {}
    SimpleDoc* doc_ = nullptr;
    const SimpleDocElement* current_ = nullptr;
  };

  iterator begin() { return iterator(this); }
  std::default_sentinel_t end() const noexcept { return {}; }

 private:
  friend bool detail::appendRendered(SimpleDoc& stream, std::string& out);
  std::shared_ptr<Source> source_;
  SimpleDocElement current_;
  bool done_ = false;
};

// A fits test: (page width p, minimum indentation m, available width a,
// candidate stream) -> does the stream's first line fit?
using FitsFunction = bool (*)(std::int64_t, std::int64_t, std::int64_t, SimpleDoc);

// Whether the first line fits in a columns; ignores p and m.
QUIRE_GALLEY_EXPORT bool fits1(std::int64_t p, std::int64_t m, std::int64_t a, SimpleDoc stream);
// Like fits1, but a line break indented deeper than m does not end the
// test: the next line must fit in p minus its indentation.
QUIRE_GALLEY_EXPORT bool fitsR(std::int64_t p, std::int64_t m, std::int64_t a, SimpleDoc stream);

// The fits test a rendering uses: fits1, fitsR, or any callable of the
// same shape.
// Note: fits1 and fitsR run as a loop inside the engine however deeply
// look-aheads nest; another callable is called on a stream that makes its
// own nested choices through further calls, so nesting uses the stack. The
// test must be pure: a decision is reused when a group is met again in the
// same state.
class QUIRE_GALLEY_EXPORT FitsTest {
 public:
  using Callable = std::function<bool(std::int64_t, std::int64_t, std::int64_t, SimpleDoc)>;
  FitsTest(FitsFunction f);  // NOLINT: implicit on purpose
  template <class F>
    requires std::is_invocable_r_v<bool, F&, std::int64_t, std::int64_t, std::int64_t, SimpleDoc>
  FitsTest(F f) : FitsTest(Callable(std::move(f)), 0) {}  // NOLINT: implicit on purpose

  enum class Builtin : std::uint8_t { None, Fits1, FitsR };
  [[nodiscard]] Builtin builtin() const noexcept { return builtin_; }
  [[nodiscard]] const Callable& callable() const noexcept { return callable_; }

 private:
  FitsTest(Callable f, int);
  Builtin builtin_ = Builtin::None;
  Callable callable_;
};

// round(width * ribbon) in single precision (ties to even), clamped to
// [0, width]; NaN counts as 0.
QUIRE_GALLEY_EXPORT std::int64_t ribbonWidth(float ribbon, std::int64_t width) noexcept;

QUIRE_GALLEY_EXPORT SimpleDoc renderFits(const FitsTest& fits, float ribbon, std::int64_t width, const Doc& doc);
QUIRE_GALLEY_EXPORT SimpleDoc renderPretty(float ribbon, std::int64_t width, const Doc& doc);
QUIRE_GALLEY_EXPORT SimpleDoc renderSmart(float ribbon, std::int64_t width, const Doc& doc);
// No choices (the narrow form of every group), no indentation, no styles.
QUIRE_GALLEY_EXPORT SimpleDoc renderCompact(const Doc& doc);

}  // namespace quire::galley
