// The engine against a small materialising model, written here from the
// description of each step over whole vectors, for every combination of
// policies, on random inputs and delimiters; plus each stage on its own.
#include "split/engine.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "base/generator.hpp"
#include "split/combinators.hpp"

namespace {

namespace qs = quire::split;
using qs::CondensePolicy;
using qs::DelimPolicy;
using qs::EndPolicy;
using Chunk = qs::Chunk<std::string>;
using Fields = std::vector<std::string>;

// ---- the model: each step over a whole vector, as the steps are described ----

using Pred = std::function<bool(char)>;

bool matchesAt(const std::vector<Pred>& d, const std::string& in, std::size_t at) {
  for (std::size_t i = 0; i < d.size(); ++i) {
    if (at + i >= in.size() || !d[i](in[at + i])) return false;
  }
  return true;
}

std::vector<Chunk> modelTokens(const std::vector<Pred>& d, const std::string& in) {
  std::vector<Chunk> out;
  std::size_t pos = 0;
  while (pos < in.size()) {
    std::size_t at = pos;
    bool found = false;
    for (;; ++at) {
      if (matchesAt(d, in, at)) {
        found = true;
        break;
      }
      if (at == in.size()) break;
    }
    if (at > pos) out.push_back(Chunk::Text(in.substr(pos, at - pos)));
    if (!found) break;
    if (d.empty() && at < in.size()) {
      out.push_back(Chunk::Delim(""));
      out.push_back(Chunk::Text(in.substr(at, 1)));
      pos = at + 1;
    } else {
      out.push_back(Chunk::Delim(in.substr(at, d.size())));
      pos = at + d.size();
    }
  }
  return out;
}

std::vector<Chunk> modelCondense(CondensePolicy p, const std::vector<Chunk>& cs) {
  if (p != CondensePolicy::Condense) return cs;
  std::vector<Chunk> out;
  for (const Chunk& c : cs) {
    if (c.isDelim() && !out.empty() && out.back().isDelim()) {
      out.back().elems += c.elems;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::vector<Chunk> modelInsertBlanks(CondensePolicy p, std::vector<Chunk> cs) {
  if (cs.empty()) return {Chunk::Text("")};
  if (cs.front().isDelim()) cs.insert(cs.begin(), Chunk::Text(""));
  std::vector<Chunk> out;
  for (std::size_t i = 0; i < cs.size(); ++i) {
    out.push_back(cs[i]);
    if (!cs[i].isDelim()) continue;
    if (i + 1 == cs.size()) {
      out.push_back(Chunk::Text(""));
    } else if (cs[i + 1].isDelim() && p != CondensePolicy::DropBlankFields) {
      out.push_back(Chunk::Text(""));
    }
  }
  return out;
}

std::vector<Chunk> modelDrop(DelimPolicy p, const std::vector<Chunk>& cs) {
  std::vector<Chunk> out;
  for (const Chunk& c : cs) {
    if (p != DelimPolicy::Drop || c.isText()) out.push_back(c);
  }
  return out;
}

std::vector<Chunk> modelMerge(DelimPolicy p, const std::vector<Chunk>& cs) {
  if (p != DelimPolicy::KeepLeft && p != DelimPolicy::KeepRight) return cs;
  const bool left = p == DelimPolicy::KeepLeft;
  std::vector<Chunk> out;
  for (std::size_t i = 0; i < cs.size(); ++i) {
    const bool first = left ? cs[i].isDelim() : cs[i].isText();
    if (first && i + 1 < cs.size() && cs[i + 1].isDelim() != left) {
      out.push_back(Chunk::Text(cs[i].elems + cs[i + 1].elems));
      ++i;
    } else {
      out.push_back(cs[i]);
    }
  }
  return out;
}

std::vector<Chunk> modelEnds(EndPolicy init, EndPolicy final, std::vector<Chunk> cs) {
  if (init == EndPolicy::DropBlank && !cs.empty() && cs.front() == Chunk::Text("")) {
    cs.erase(cs.begin());
  }
  if (final == EndPolicy::DropBlank && !cs.empty() && cs.back() == Chunk::Text("")) cs.pop_back();
  return cs;
}

Fields modelSplit(const std::vector<Pred>& d, DelimPolicy dp, CondensePolicy cp, EndPolicy ip,
                  EndPolicy fp, const std::string& in) {
  auto cs = modelEnds(
      ip, fp, modelMerge(dp, modelDrop(dp, modelInsertBlanks(cp, modelCondense(cp, modelTokens(d, in))))));
  Fields out;
  for (const Chunk& c : cs) out.push_back(c.elems);
  return out;
}

// ---- delimiters, as the library and as the model see them ----

struct TestDelimiter {
  std::string name;
  qs::Delimiter<char> library;
  std::vector<Pred> model;
  std::optional<Pred> single;  // a one-predicate delimiter, for the predicate functions
};

std::vector<Pred> equalities(std::string_view xs) {
  std::vector<Pred> out;
  for (char x : xs) out.push_back([x](char c) { return c == x; });
  return out;
}

std::vector<TestDelimiter> testDelimiters() {
  std::vector<TestDelimiter> out;
  for (std::string xs : {"", ",", "a", "ab", "aab", "aba", ",,", "a,b"}) {
    out.push_back({"sublist '" + xs + "'", qs::Delimiter<char>::sublist({xs.begin(), xs.end()}),
                   equalities(xs), std::nullopt});
  }
  Pred inSet = [](char c) { return c == ',' || c == 'b'; };
  out.push_back({"anyOf ',b'", qs::Delimiter<char>::anyOf({',', 'b'}), {inSet}, inSet});
  out.push_back({"anyOf none", qs::Delimiter<char>::never(), {[](char) { return false; }}, std::nullopt});
  out.push_back({"predicate", qs::Delimiter<char>({inSet}), {inSet}, inSet});
  Pred notA = [](char c) { return c != 'a'; };
  Pred isA = [](char c) { return c == 'a'; };
  out.push_back({"predicates [not a, a]", qs::Delimiter<char>({notA, isA}), {notA, isA}, std::nullopt});
  return out;
}

quire::Generator<char> chars(std::string s) {
  for (char c : s) co_yield c;
}

template <class R>
Fields collect(R&& fields) {
  Fields out;
  for (auto&& f : fields) out.emplace_back(f.begin(), f.end());
  return out;
}

std::string randomInput(std::mt19937& rng) {
  static constexpr char kAlphabet[] = {'a', 'b', ','};
  std::string s(std::uniform_int_distribution<std::size_t>(0, 12)(rng), 'a');
  for (char& c : s) c = kAlphabet[std::uniform_int_distribution<int>(0, 2)(rng)];
  return s;
}

constexpr DelimPolicy kDelimPolicies[] = {DelimPolicy::Drop, DelimPolicy::Keep, DelimPolicy::KeepLeft,
                                          DelimPolicy::KeepRight};
constexpr CondensePolicy kCondensePolicies[] = {
    CondensePolicy::Condense, CondensePolicy::DropBlankFields, CondensePolicy::KeepBlankFields};
constexpr EndPolicy kEndPolicies[] = {EndPolicy::DropBlank, EndPolicy::KeepBlank};

// Every combination of policies, every delimiter, random inputs: the view
// path, the element-by-element path and the stages chained one by one
// all agree with the model.
TEST(SplitEngine, AgreesWithModelForEveryPolicyCombination) {
  std::mt19937 rng(19);
  std::vector<std::string> inputs = {"", ",", ",,", "a", "aaab", "aab", ",a,", "abab,"};
  for (int i = 0; i < 120; ++i) inputs.push_back(randomInput(rng));
  int combinations = 0;
  for (DelimPolicy dp : kDelimPolicies) {
    for (CondensePolicy cp : kCondensePolicies) {
      for (EndPolicy ip : kEndPolicies) {
        for (EndPolicy fp : kEndPolicies) {
          ++combinations;
          for (const TestDelimiter& d : testDelimiters()) {
            qs::Splitter<char> s{d.library, dp, cp, ip, fp};
            for (const std::string& in : inputs) {
              SCOPED_TRACE(d.name + " on '" + in + "' with " + show(dp) + " " + show(cp) + " " +
                           show(ip) + " " + show(fp));
              const Fields expected = modelSplit(d.model, dp, cp, ip, fp, in);
              ASSERT_EQ(collect(qs::split(s, std::string_view(in))), expected);
              ASSERT_EQ(collect(qs::split(s, chars(in))), expected);
              auto staged = qs::dropFinal(
                  fp, qs::dropInitial(
                          ip, qs::doMerge(dp, qs::doDrop(dp, qs::insertBlanks(
                                                                 cp, qs::doCondense(
                                                                         cp, qs::splitInternal(
                                                                                 d.library, chars(in))))))));
              Fields viaStages;
              for (auto&& c : staged) viaStages.push_back(qs::fromElem(std::move(c)));
              ASSERT_EQ(viaStages, expected);
            }
          }
        }
      }
    }
  }
  EXPECT_EQ(combinations, 48);
}

// The ready-made functions with an inline predicate take their own paths;
// they agree with the model under their documented settings.
TEST(SplitEngine, PredicateFunctionsAgreeWithModel) {
  std::mt19937 rng(7);
  for (int i = 0; i < 300; ++i) {
    const std::string in = randomInput(rng);
    for (const TestDelimiter& d : testDelimiters()) {
      if (!d.single) continue;
      const Pred p = *d.single;
      SCOPED_TRACE(d.name + " on '" + in + "'");
      const Fields splitWhen = modelSplit(d.model, DelimPolicy::Drop, CondensePolicy::KeepBlankFields,
                                          EndPolicy::KeepBlank, EndPolicy::KeepBlank, in);
      const Fields linesBy = modelSplit(d.model, DelimPolicy::Drop, CondensePolicy::KeepBlankFields,
                                        EndPolicy::KeepBlank, EndPolicy::DropBlank, in);
      const Fields wordsBy = modelSplit(d.model, DelimPolicy::Drop, CondensePolicy::Condense,
                                        EndPolicy::DropBlank, EndPolicy::DropBlank, in);
      EXPECT_EQ(collect(qs::splitWhen(p, std::string_view(in))), splitWhen);
      EXPECT_EQ(collect(qs::splitWhen(p, chars(in))), splitWhen);
      EXPECT_EQ(collect(qs::linesBy(p, std::string_view(in))), linesBy);
      EXPECT_EQ(collect(qs::linesBy(p, chars(in))), linesBy);
      EXPECT_EQ(collect(qs::wordsBy(p, std::string_view(in))), wordsBy);
      EXPECT_EQ(collect(qs::wordsBy(p, chars(in))), wordsBy);
    }
  }
}

TEST(SplitEngine, TokenisesAsDescribed) {
  auto tokens = [](const qs::Delimiter<char>& d, std::string_view in) {
    std::vector<Chunk> out;
    for (auto&& c : qs::splitInternal(d, in)) out.push_back({c.kind, std::string(c.elems)});
    return out;
  };
  const auto empty = qs::Delimiter<char>();
  EXPECT_EQ(tokens(empty, "abc"),
            (std::vector<Chunk>{Chunk::Delim(""), Chunk::Text("a"), Chunk::Delim(""), Chunk::Text("b"),
                                Chunk::Delim(""), Chunk::Text("c")}));
  EXPECT_TRUE(tokens(empty, "").empty());
  const auto comma = qs::Delimiter<char>::sublist({','});
  EXPECT_TRUE(tokens(comma, "").empty());
  EXPECT_EQ(tokens(comma, "a,"), (std::vector<Chunk>{Chunk::Text("a"), Chunk::Delim(",")}));
  // A failed partial match is retried from the next element.
  EXPECT_EQ(tokens(qs::Delimiter<char>::sublist({'a', 'a', 'b'}), "aaab"),
            (std::vector<Chunk>{Chunk::Text("a"), Chunk::Delim("aab")}));
  // Matches never overlap.
  EXPECT_EQ(tokens(qs::Delimiter<char>::sublist({'a', 'a'}), "aaa"),
            (std::vector<Chunk>{Chunk::Delim("aa"), Chunk::Text("a")}));
}

TEST(SplitEngine, MatchAndBreakDelim) {
  const auto ab = qs::Delimiter<char>::sublist({'a', 'b'});
  auto m = qs::matchDelim(ab, "abc");
  ASSERT_TRUE(m);
  EXPECT_EQ(std::string(m->matched.begin(), m->matched.end()), "ab");
  EXPECT_EQ(std::string(m->rest.begin(), m->rest.end()), "c");
  EXPECT_FALSE(qs::matchDelim(ab, "xab"));
  EXPECT_FALSE(qs::matchDelim(ab, "a"));
  auto e = qs::matchDelim(qs::Delimiter<char>(), "");
  ASSERT_TRUE(e);
  EXPECT_TRUE(e->matched.empty());

  auto b = qs::breakDelim(ab, "xaabc");
  EXPECT_EQ(std::string(b.text.begin(), b.text.end()), "xa");
  ASSERT_TRUE(b.match);
  EXPECT_EQ(std::string(b.match->rest.begin(), b.match->rest.end()), "c");
  auto none = qs::breakDelim(ab, "xa");
  EXPECT_EQ(std::string(none.text.begin(), none.text.end()), "xa");
  EXPECT_FALSE(none.match);
  auto emptyDelim = qs::breakDelim(qs::Delimiter<char>(), "xyz");
  EXPECT_TRUE(emptyDelim.text.empty());
  ASSERT_TRUE(emptyDelim.match);
  EXPECT_EQ(std::string(emptyDelim.match->rest.begin(), emptyDelim.match->rest.end()), "xyz");

  // On other element types and predicates: the matched elements are the input's.
  std::vector<int> xs{1, -2, -3, 4};
  qs::Delimiter<int> negatives({[](int x) { return x < 0; }, [](int x) { return x < 0; }});
  auto nb = qs::breakDelim(negatives, xs);
  EXPECT_EQ(std::vector<int>(nb.match->matched.begin(), nb.match->matched.end()), (std::vector<int>{-2, -3}));
}

// Steps on hand-made chunk sequences, where the walk matters.
TEST(SplitEngine, StagesOnTheirOwn) {
  auto run = [](auto&& range) {
    std::vector<Chunk> out;
    for (auto&& c : range) out.push_back(c);
    return out;
  };
  const Chunk d = Chunk::Delim(","), e = Chunk::Delim(";"), t = Chunk::Text("x"), blank = Chunk::Text("");
  const std::vector<Chunk> dd{d, e};
  EXPECT_EQ(run(qs::insertBlanks(CondensePolicy::DropBlankFields, dd)), (std::vector<Chunk>{blank, d, e, blank}));
  EXPECT_EQ(run(qs::insertBlanks(CondensePolicy::KeepBlankFields, dd)),
            (std::vector<Chunk>{blank, d, blank, e, blank}));
  EXPECT_EQ(run(qs::insertBlanks_(CondensePolicy::KeepBlankFields, dd)), (std::vector<Chunk>{d, blank, e, blank}));
  EXPECT_EQ(run(qs::insertBlanks(CondensePolicy::Condense, std::vector<Chunk>{})), (std::vector<Chunk>{blank}));
  EXPECT_TRUE(run(qs::insertBlanks_(CondensePolicy::Condense, std::vector<Chunk>{})).empty());

  EXPECT_EQ(run(qs::doCondense(CondensePolicy::Condense, std::vector<Chunk>{t, d, e, d, t})),
            (std::vector<Chunk>{t, Chunk::Delim(",;,"), t}));
  EXPECT_EQ(run(qs::doCondense(CondensePolicy::KeepBlankFields, dd)), dd);

  EXPECT_EQ(run(qs::mergeLeft(std::vector<Chunk>{d, e, t, t})),
            (std::vector<Chunk>{d, Chunk::Text(";x"), t}));
  EXPECT_EQ(run(qs::mergeRight(std::vector<Chunk>{d, t, t, e, e})),
            (std::vector<Chunk>{d, t, Chunk::Text("x;"), e}));
  EXPECT_EQ(run(qs::doMerge(DelimPolicy::Keep, std::vector<Chunk>{t, d})), (std::vector<Chunk>{t, d}));
  EXPECT_EQ(run(qs::doDrop(DelimPolicy::Drop, std::vector<Chunk>{d, t, e})), (std::vector<Chunk>{t}));

  // Only the very first and the very last empty Text are ever removed.
  const std::vector<Chunk> blanks{blank, d, blank, e, blank};
  EXPECT_EQ(run(qs::dropInitial(EndPolicy::DropBlank, blanks)), (std::vector<Chunk>{d, blank, e, blank}));
  EXPECT_EQ(run(qs::dropFinal(EndPolicy::DropBlank, blanks)), (std::vector<Chunk>{blank, d, blank, e}));
  EXPECT_EQ(run(qs::dropFinal(EndPolicy::KeepBlank, blanks)), blanks);
  EXPECT_EQ(run(qs::dropInitial(EndPolicy::DropBlank, std::vector<Chunk>{d, blank})),
            (std::vector<Chunk>{d, blank}));
  EXPECT_TRUE(run(qs::dropFinal(EndPolicy::DropBlank, std::vector<Chunk>{})).empty());

  auto post = run(qs::postProcess(qs::dropDelims(qs::onSublist(",")), std::vector<Chunk>{d, t, d}));
  EXPECT_EQ(post, (std::vector<Chunk>{blank, t, blank}));
}

// The view path gives views into the input itself, also for inserted blanks.
TEST(SplitEngine, ViewFieldsPointIntoTheInput) {
  const std::string text = ",ab,,c,";
  for (DelimPolicy dp : kDelimPolicies) {
    for (CondensePolicy cp : kCondensePolicies) {
      qs::Splitter<char> s{qs::Delimiter<char>::sublist({','}), dp, cp, EndPolicy::KeepBlank, EndPolicy::KeepBlank};
      for (std::string_view f : qs::split(s, text)) {
        EXPECT_GE(f.data(), text.data());
        EXPECT_LE(f.data() + f.size(), text.data() + text.size());
      }
    }
  }
  std::vector<int> xs{1, 0, 2, 3, 0};
  std::vector<std::span<const int>> spans;
  for (std::span<const int> f : qs::splitOn(std::vector{0}, std::span<const int>(xs))) spans.push_back(f);
  ASSERT_EQ(spans.size(), 3u);
  EXPECT_EQ(spans[0].data(), xs.data());
  EXPECT_EQ(spans[1].data(), xs.data() + 2);
  EXPECT_EQ(spans[1].size(), 2u);
  EXPECT_TRUE(spans[2].empty());
  EXPECT_EQ(spans[2].data(), xs.data() + 5);
}

}  // namespace
