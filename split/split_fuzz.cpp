// Fuzzes the splitter engine and its combinators against a materialising
// model written here: the input is decoded into a list of elements and a
// splitting plan (a delimiter, its policies or a ready-made function, a
// position-based split), and the library's pieces must equal the model's
// for every input form the library takes: a string view (the zero-copy
// paths), a span, a vector and a generator of characters (element by
// element), a vector of ints (another element type). Every stage must also
// agree with its model on arbitrary chunk lists, including lists the
// tokeniser never makes, and a prefix taken from a result must equal the
// model's prefix (endless results included).
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <iterator>
#include <ranges>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "split/split.hpp"
#include "fuzz/check.hpp"

namespace {

namespace qs = quire::split;
using qs::CondensePolicy;
using qs::DelimPolicy;
using qs::EndPolicy;

using Fields = std::vector<std::string>;

// ---------------------------------------------------------------- the model

// One element predicate, as data, so that the model and the library test
// the same thing.
struct Test {
  enum Op { Equal, Differ, AtMost, Always } op = Equal;
  char x = 0;
  bool operator()(char c) const {
    switch (op) {
      case Equal: return c == x;
      case Differ: return c != x;
      case AtMost: return static_cast<unsigned char>(c) <= static_cast<unsigned char>(x);
      case Always: break;
    }
    return true;
  }
};

struct ModelChunk {
  bool delim = false;
  std::string elems;
  friend bool operator==(const ModelChunk&, const ModelChunk&) = default;
};
using Chunks = std::vector<ModelChunk>;

struct Policies {
  DelimPolicy delim = DelimPolicy::Keep;
  CondensePolicy condense = CondensePolicy::KeepBlankFields;
  EndPolicy init = EndPolicy::KeepBlank;
  EndPolicy final = EndPolicy::KeepBlank;
};

using Preds = std::vector<std::function<bool(char)>>;

bool matchesAt(const Preds& d, std::string_view in, std::size_t at) {
  for (std::size_t i = 0; i < d.size(); ++i) {
    if (at + i >= in.size() || !d[i](in[at + i])) return false;
  }
  return true;
}

// Step 1: leftmost matches, tried afresh at every position; the empty
// delimiter matches before every element.
Chunks modelTokens(const Preds& d, std::string_view in) {
  Chunks out;
  std::size_t pos = 0;
  while (pos < in.size()) {
    std::size_t at = pos;
    while (at < in.size() && !matchesAt(d, in, at)) ++at;
    if (at > pos) out.push_back({false, std::string(in.substr(pos, at - pos))});
    if (at == in.size()) break;
    if (d.empty()) {
      out.push_back({true, ""});
      out.push_back({false, std::string(1, in[at])});
      pos = at + 1;
    } else {
      out.push_back({true, std::string(in.substr(at, d.size()))});
      pos = at + d.size();
    }
  }
  return out;
}

Chunks modelCondense(CondensePolicy p, const Chunks& cs) {
  if (p != CondensePolicy::Condense) return cs;
  Chunks out;
  for (const ModelChunk& c : cs) {
    if (c.delim && !out.empty() && out.back().delim) {
      out.back().elems += c.elems;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

Chunks modelInsertBlanksWalk(CondensePolicy p, const Chunks& cs) {
  Chunks out;
  for (std::size_t i = 0; i < cs.size(); ++i) {
    out.push_back(cs[i]);
    if (!cs[i].delim) continue;
    if (i + 1 == cs.size() || (cs[i + 1].delim && p != CondensePolicy::DropBlankFields)) {
      out.push_back({false, ""});
    }
  }
  return out;
}

Chunks modelInsertBlanks(CondensePolicy p, Chunks cs) {
  if (cs.empty()) return {{false, ""}};
  if (cs.front().delim) cs.insert(cs.begin(), {false, ""});
  return modelInsertBlanksWalk(p, cs);
}

Chunks modelDrop(DelimPolicy p, const Chunks& cs) {
  Chunks out;
  for (const ModelChunk& c : cs) {
    if (p != DelimPolicy::Drop || !c.delim) out.push_back(c);
  }
  return out;
}

Chunks modelMerge(DelimPolicy p, const Chunks& cs) {
  if (p != DelimPolicy::KeepLeft && p != DelimPolicy::KeepRight) return cs;
  const bool left = p == DelimPolicy::KeepLeft;
  Chunks out;
  for (std::size_t i = 0; i < cs.size(); ++i) {
    // KeepLeft glues a Delim to the Text after it, KeepRight a Text to the Delim after it.
    if (cs[i].delim == left && i + 1 < cs.size() && cs[i + 1].delim != left) {
      out.push_back({false, cs[i].elems + cs[i + 1].elems});
      ++i;
    } else {
      out.push_back(cs[i]);
    }
  }
  return out;
}

Chunks modelDropInitial(EndPolicy p, Chunks cs) {
  if (p == EndPolicy::DropBlank && !cs.empty() && cs.front() == ModelChunk{false, ""}) cs.erase(cs.begin());
  return cs;
}

Chunks modelDropFinal(EndPolicy p, Chunks cs) {
  if (p == EndPolicy::DropBlank && !cs.empty() && cs.back() == ModelChunk{false, ""}) cs.pop_back();
  return cs;
}

Chunks modelPostProcess(const Policies& p, const Chunks& cs) {
  return modelDropFinal(
      p.final,
      modelDropInitial(p.init, modelMerge(p.delim, modelDrop(p.delim, modelInsertBlanks(
                                                                          p.condense, modelCondense(p.condense, cs))))));
}

Fields elemsOf(const Chunks& cs) {
  Fields out;
  for (const ModelChunk& c : cs) out.push_back(c.elems);
  return out;
}

// Position-based splits; endless results are cut at `limit` pieces.
Fields modelChunksOf(std::int64_t n, std::string_view in, std::size_t limit) {
  Fields out;
  while (!in.empty() && out.size() < limit) {
    const std::size_t k = n <= 0 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(n), in.size());
    out.emplace_back(in.substr(0, k));
    in.remove_prefix(k);
  }
  return out;
}

Fields modelPlaces(const std::vector<int>& counts, std::string_view in, bool blanks) {
  Fields out;
  for (int c : counts) {
    if (!blanks && in.empty()) break;
    const std::size_t k = c <= 0 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(c), in.size());
    out.emplace_back(in.substr(0, k));
    in.remove_prefix(k);
  }
  return out;
}

Fields modelDivvy(std::int64_t n, std::int64_t m, std::string_view in, std::size_t limit) {
  Fields out;
  while (!in.empty() && out.size() < limit) {
    const std::size_t k = n <= 0 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(n), in.size());
    if (static_cast<std::int64_t>(k) == n) {
      out.emplace_back(in.substr(0, k));
    } else if (m <= 0) {
      break;  // the same short window would come back for ever
    }
    if (m > 0) in.remove_prefix(std::min<std::size_t>(static_cast<std::size_t>(m), in.size()));
  }
  return out;
}

// ---------------------------------------------------------------- the plan

std::string drawElements(FuzzedDataProvider& in, std::size_t max) {
  static constexpr char kAlphabet[] = {'a', 'b', ',', ';'};
  std::string out(in.ConsumeIntegralInRange<std::size_t>(0, max), 'a');
  for (char& c : out) {
    const int pick = in.ConsumeIntegralInRange<int>(0, 7);
    c = pick < 4 ? kAlphabet[pick] : pick < 7 ? kAlphabet[pick - 4] : in.ConsumeIntegral<char>();
  }
  return out;
}

Test drawTest(FuzzedDataProvider& in) {
  Test t;
  t.op = static_cast<Test::Op>(in.ConsumeIntegralInRange<int>(0, 3));
  t.x = drawElements(in, 1).append(",").front();
  return t;
}

// The element type of the other element path: ints far from the chars.
int asInt(char c) { return static_cast<int>(c) + 1000; }
char charOf(char c) { return c; }
char charOf(int e) { return static_cast<char>(e - 1000); }
template <class E>
E elementOf(char c) {
  if constexpr (std::is_same_v<E, char>) {
    return c;
  } else {
    return asInt(c);
  }
}

// A delimiter as the library builds it from elements or predicates, and
// as the model sees it.
struct DelimPlan {
  enum Kind { Sublist, AnyOf, Never, Predicates } kind = Sublist;
  std::string elems;
  std::vector<Test> tests;

  Preds model() const {
    Preds out;
    switch (kind) {
      case Sublist:
        for (char x : elems) out.push_back(Test{Test::Equal, x});
        break;
      case AnyOf: out.push_back([xs = elems](char c) { return xs.find(c) != std::string::npos; }); break;
      case Never: out.push_back([](char) { return false; }); break;
      case Predicates: out.assign(tests.begin(), tests.end());
    }
    return out;
  }

  template <class E>
  qs::Delimiter<E> library() const {
    std::vector<E> xs;
    for (char x : elems) xs.push_back(elementOf<E>(x));
    switch (kind) {
      case Sublist: return qs::Delimiter<E>::sublist(std::move(xs));
      case AnyOf: return qs::Delimiter<E>::anyOf(std::move(xs));
      case Never: return qs::Delimiter<E>::never();
      case Predicates: break;
    }
    std::vector<typename qs::Delimiter<E>::Predicate> preds;
    for (const Test& t : tests) preds.push_back([t](const E& e) { return t(charOf(e)); });
    return qs::Delimiter<E>(std::move(preds));
  }
};

DelimPlan drawDelim(FuzzedDataProvider& in) {
  DelimPlan d;
  d.kind = static_cast<DelimPlan::Kind>(in.ConsumeIntegralInRange<int>(0, 3));
  d.elems = drawElements(in, 3);
  for (int k = in.ConsumeIntegralInRange<int>(0, 3); k > 0; --k) d.tests.push_back(drawTest(in));
  return d;
}

Policies drawPolicies(FuzzedDataProvider& in) {
  Policies p;
  p.delim = static_cast<DelimPolicy>(in.ConsumeIntegralInRange<int>(0, 3));
  p.condense = static_cast<CondensePolicy>(in.ConsumeIntegralInRange<int>(0, 2));
  p.init = static_cast<EndPolicy>(in.ConsumeIntegralInRange<int>(0, 1));
  p.final = static_cast<EndPolicy>(in.ConsumeIntegralInRange<int>(0, 1));
  return p;
}

// ------------------------------------------------------- the model for a plan

Fields modelFor(const DelimPlan& d, const Policies& p, std::string_view in) {
  return elemsOf(modelPostProcess(p, modelTokens(d.model(), in)));
}

// ------------------------------------------------------ running the library

template <class Field>
std::string textOf(const Field& f) {
  std::string out;
  for (const auto& e : f) out.push_back(charOf(e));
  return out;
}

template <class R>
Fields collect(R&& pieces, std::size_t limit = SIZE_MAX) {
  Fields out;
  for (auto&& f : pieces) {
    if (out.size() == limit) break;
    out.push_back(textOf(f));
  }
  return out;
}

// A single-pass input range over a copy of some elements, read on demand
// like a stream: the element-by-element path of the library. (Written out
// rather than as a coroutine, which the fuzz build's compiler cannot
// assemble under coverage instrumentation with debug information.)
template <class T>
class OnePass : public std::ranges::view_base {
 public:
  class iterator {
   public:
    using iterator_concept = std::input_iterator_tag;
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    iterator() = default;
    T& operator*() const { return owner_->items_[owner_->next_]; }
    iterator& operator++() {
      ++owner_->next_;
      return *this;
    }
    void operator++(int) { ++*this; }
    friend bool operator==(const iterator& it, std::default_sentinel_t) {
      return it.owner_->next_ == it.owner_->items_.size();
    }

   private:
    friend class OnePass;
    explicit iterator(OnePass* owner) : owner_(owner) {}
    OnePass* owner_ = nullptr;
  };

  explicit OnePass(std::vector<T> items) : items_(std::move(items)) {}
  OnePass(OnePass&&) noexcept = default;
  OnePass& operator=(OnePass&&) noexcept = default;
  iterator begin() { return iterator(this); }
  std::default_sentinel_t end() const { return {}; }

 private:
  std::vector<T> items_;
  std::size_t next_ = 0;
};

OnePass<char> generate(const std::string& s) { return OnePass<char>({s.begin(), s.end()}); }

std::vector<int> intsOf(std::string_view s) {
  std::vector<int> out;
  for (char c : s) out.push_back(asInt(c));
  return out;
}

OnePass<int> generateInts(std::vector<int> xs) { return OnePass<int>(std::move(xs)); }

Fields prefix(const Fields& all, std::size_t k) {
  return Fields(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(std::min(k, all.size())));
}

// Runs f(input) on every input form and checks each result against want.
// (Inputs are views or generators: the std::views adaptors over containers
// do not build with every compiler the fuzzers are built with.)
template <class F>
void onEveryForm(const std::string& text, const Fields& want, F&& f) {
  const std::string_view view(text);
  check(collect(f(view)) == want);
  check(collect(f(std::span<const char>(text.data(), text.size()))) == want);
  check(collect(f(generate(text))) == want);
  const std::vector<int> ints = intsOf(text);
  check(collect(f(std::span<const int>(ints))) == want);
  check(collect(f(generateInts(ints))) == want);
  // A prefix comes out the same.
  const std::size_t k = want.size() / 2;
  check(collect(f(view), k) == prefix(want, k));
  check(collect(f(generate(text)), k) == prefix(want, k));
}

template <class E>
qs::Splitter<E> splitterOf(const DelimPlan& d, const Policies& p) {
  return qs::Splitter<E>{d.library<E>(), p.delim, p.condense, p.init, p.final};
}

void checkEngine(const DelimPlan& d, const Policies& p, const std::string& text) {
  const Fields want = modelFor(d, p, text);
  const auto sc = splitterOf<char>(d, p);
  const auto si = splitterOf<int>(d, p);
  onEveryForm(text, want, [&](auto&& input) {
    using Input = decltype(input);
    if constexpr (std::is_same_v<qs::detail::ElementOf<Input>, int>) {
      return qs::split(si, std::forward<Input>(input));
    } else {
      return qs::split(sc, std::forward<Input>(input));
    }
  });
  // The tokens alone.
  Chunks tokens;
  for (auto&& c : qs::splitInternal(sc.delimiter, std::string_view(text))) {
    tokens.push_back({c.isDelim(), std::string(c.elems)});
  }
  check(tokens == modelTokens(d.model(), text));
}

// The modifiers, applied in a drawn order to a constructed splitter: the
// last one applied to a field wins.
void checkModifiers(FuzzedDataProvider& in, const std::string& text) {
  DelimPlan d = drawDelim(in);
  Policies p;
  qs::Splitter<char> s;
  const int ctor = in.ConsumeIntegralInRange<int>(0, 2);
  if (ctor == 0) {
    d.kind = DelimPlan::Sublist;
    s = qs::onSublist(d.elems);
  } else if (ctor == 1) {
    d.kind = DelimPlan::AnyOf;
    s = qs::oneOf(d.elems);
  } else {
    d.kind = DelimPlan::Predicates;
    d.tests.resize(1, Test{});
    s = qs::whenElt<char>(d.tests[0]);
  }
  for (int k = in.ConsumeIntegralInRange<int>(0, 5); k > 0; --k) {
    switch (in.ConsumeIntegralInRange<int>(0, 7)) {
      case 0: s = qs::dropDelims(s), p.delim = DelimPolicy::Drop; break;
      case 1: s = qs::keepDelimsL(s), p.delim = DelimPolicy::KeepLeft; break;
      case 2: s = qs::keepDelimsR(s), p.delim = DelimPolicy::KeepRight; break;
      case 3: s = qs::condense(s), p.condense = CondensePolicy::Condense; break;
      case 4: s = qs::dropInnerBlanks(s), p.condense = CondensePolicy::DropBlankFields; break;
      case 5: s = qs::dropInitBlank(s), p.init = EndPolicy::DropBlank; break;
      case 6: s = qs::dropFinalBlank(s), p.final = EndPolicy::DropBlank; break;
      default:
        s = qs::dropBlanks(s);
        p.condense = CondensePolicy::Condense;
        p.init = p.final = EndPolicy::DropBlank;
    }
  }
  check(collect(qs::split(s, std::string_view(text))) == modelFor(d, p, text));
  check(collect(qs::split(s, generate(text))) == modelFor(d, p, text));
}

// The ready-made functions and composite splitters, each with its fixed
// configuration.
void checkReadyMade(FuzzedDataProvider& in, const std::string& text) {
  DelimPlan elems = drawDelim(in);
  elems.kind = DelimPlan::Sublist;
  DelimPlan any = elems;
  any.kind = DelimPlan::AnyOf;
  DelimPlan pred;
  pred.kind = DelimPlan::Predicates;
  pred.tests = {drawTest(in)};
  const Test t = pred.tests[0];
  const std::string& xs = elems.elems;
  const std::vector<int> ixs = intsOf(xs);
  auto intTest = [t](int e) { return t(static_cast<char>(e - 1000)); };
  const Policies split{DelimPolicy::Drop, CondensePolicy::KeepBlankFields, EndPolicy::KeepBlank, EndPolicy::KeepBlank};
  Policies endBy = split;
  endBy.final = EndPolicy::DropBlank;
  const Policies words{DelimPolicy::Drop, CondensePolicy::Condense, EndPolicy::DropBlank, EndPolicy::DropBlank};

  // Each function on every input form; ints use the int delimiter.
  auto byElements = [&](const auto& fn, const DelimPlan& d, const Policies& p) {
    onEveryForm(text, modelFor(d, p, text), [&](auto&& input) {
      using Input = decltype(input);
      if constexpr (std::is_same_v<qs::detail::ElementOf<Input>, int>) {
        return fn(ixs, std::forward<Input>(input));
      } else {
        return fn(xs, std::forward<Input>(input));
      }
    });
  };
  auto byPredicate = [&](const auto& fn, const Policies& p) {
    onEveryForm(text, modelFor(pred, p, text), [&](auto&& input) {
      using Input = decltype(input);
      if constexpr (std::is_same_v<qs::detail::ElementOf<Input>, int>) {
        return fn(intTest, std::forward<Input>(input));
      } else {
        return fn(t, std::forward<Input>(input));
      }
    });
  };
  switch (in.ConsumeIntegralInRange<int>(0, 7)) {
    case 0: byElements(qs::splitOn, elems, split); break;
    case 1: byElements(qs::splitOneOf, any, split); break;
    case 2: byElements(qs::endBy, elems, endBy); break;
    case 3: byElements(qs::endByOneOf, any, endBy); break;
    case 4: byPredicate(qs::splitWhen, split); break;
    case 5: byPredicate(qs::linesBy, endBy); break;
    case 6: byPredicate(qs::wordsBy, words); break;
    default: {
      const std::string_view view(text);
      Policies left{DelimPolicy::KeepLeft, CondensePolicy::KeepBlankFields, EndPolicy::DropBlank, EndPolicy::KeepBlank};
      Policies right{DelimPolicy::KeepRight, CondensePolicy::KeepBlankFields, EndPolicy::KeepBlank, EndPolicy::DropBlank};
      check(collect(qs::split(qs::startsWith(xs), view)) == modelFor(elems, left, text));
      check(collect(qs::split(qs::startsWithOneOf(xs), view)) == modelFor(any, left, text));
      check(collect(qs::split(qs::endsWith(xs), view)) == modelFor(elems, right, text));
      check(collect(qs::split(qs::endsWithOneOf(xs), view)) == modelFor(any, right, text));
    }
  }
}

OnePass<qs::Chunk<std::string>> generateChunks(const Chunks& cs) {
  std::vector<qs::Chunk<std::string>> out;
  for (const ModelChunk& c : cs) {
    out.push_back(c.delim ? qs::Chunk<std::string>::Delim(c.elems) : qs::Chunk<std::string>::Text(c.elems));
  }
  return OnePass<qs::Chunk<std::string>>(std::move(out));
}

// Each stage on an arbitrary chunk list.
void checkStages(FuzzedDataProvider& in) {
  Chunks cs;
  for (int k = in.ConsumeIntegralInRange<int>(0, 8); k > 0; --k) {
    cs.push_back({in.ConsumeBool(), drawElements(in, 2)});
  }
  // The chunk list afresh for each stage, as a generator.
  auto lib = [&cs] { return generateChunks(cs); };
  auto chunksOf = [](auto&& r) {
    Chunks out;
    for (auto&& c : r) out.push_back({c.isDelim(), c.elems});
    return out;
  };
  const Policies p = drawPolicies(in);
  check(chunksOf(qs::doCondense(p.condense, lib())) == modelCondense(p.condense, cs));
  check(chunksOf(qs::insertBlanks(p.condense, lib())) == modelInsertBlanks(p.condense, cs));
  check(chunksOf(qs::insertBlanks_(p.condense, lib())) == modelInsertBlanksWalk(p.condense, cs));
  check(chunksOf(qs::doDrop(p.delim, lib())) == modelDrop(p.delim, cs));
  check(chunksOf(qs::doMerge(p.delim, lib())) == modelMerge(p.delim, cs));
  check(chunksOf(qs::dropInitial(p.init, lib())) == modelDropInitial(p.init, cs));
  check(chunksOf(qs::dropFinal(p.final, lib())) == modelDropFinal(p.final, cs));
  const qs::Splitter<char> s{qs::Delimiter<char>::never(), p.delim, p.condense, p.init, p.final};
  check(chunksOf(qs::postProcess(s, lib())) == modelPostProcess(p, cs));

}

void checkPositional(FuzzedDataProvider& in, const std::string& text) {
  const auto n = static_cast<std::int64_t>(in.ConsumeIntegralInRange<int>(-2, 6));
  const auto m = static_cast<std::int64_t>(in.ConsumeIntegralInRange<int>(-1, 5));
  std::vector<int> counts;
  for (int k = in.ConsumeIntegralInRange<int>(0, 6); k > 0; --k) counts.push_back(in.ConsumeIntegralInRange<int>(-2, 6));
  constexpr std::size_t kLimit = 40;  // pieces taken from an endless result

  const std::string_view view(text);
  const std::vector<int> intStore = intsOf(text);
  const std::span<const int> ints(intStore);
  check(collect(qs::chunksOf(n, view), kLimit) == modelChunksOf(n, text, kLimit));
  check(collect(qs::chunksOf(n, generate(text)), kLimit) == modelChunksOf(n, text, kLimit));
  check(collect(qs::chunksOf(n, ints), kLimit) == modelChunksOf(n, text, kLimit));
  check(collect(qs::splitPlaces(generateInts(counts), view)) == modelPlaces(counts, text, false));
  check(collect(qs::splitPlaces(generateInts(counts), generate(text))) == modelPlaces(counts, text, false));
  check(collect(qs::splitPlacesBlanks(generateInts(counts), view)) == modelPlaces(counts, text, true));
  check(collect(qs::splitPlacesBlanks(generateInts(counts), generateInts(intStore))) == modelPlaces(counts, text, true));
  check(collect(qs::divvy(n, m, view), kLimit) == modelDivvy(n, m, text, kLimit));
  check(collect(qs::divvy(n, m, generate(text)), kLimit) == modelDivvy(n, m, text, kLimit));
  check(collect(qs::divvy(n, m, ints), kLimit) == modelDivvy(n, m, text, kLimit));
  // chop with a function that takes max(n, 1) elements: chunksOf again.
  const std::size_t take = static_cast<std::size_t>(std::max<std::int64_t>(n, 1));
  auto front = [take](std::string_view rest) {
    const std::size_t k = std::min(take, rest.size());
    return std::pair{rest.substr(0, k), rest.substr(k)};
  };
  check(collect(qs::chop(front, view)) == modelChunksOf(static_cast<std::int64_t>(take), text, SIZE_MAX));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const int what = in.ConsumeIntegralInRange<int>(0, 4);
  const std::string text = drawElements(in, 48);
  switch (what) {
    case 0:
    case 1: {
      const DelimPlan d = drawDelim(in);
      checkEngine(d, drawPolicies(in), text);
      break;
    }
    case 2: checkModifiers(in, text); break;
    case 3: checkReadyMade(in, text); break;
    default:
      checkStages(in);
      checkPositional(in, text);
  }
  return 0;
}
