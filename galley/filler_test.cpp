// The line filler, against the pretty printer's fillSep.
#include "galley/filler.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "galley/galley.hpp"

namespace quire::galley {
namespace {

const StyleCode kBold(Style{.intensity = ConsoleIntensity::BoldIntensity});
const StyleCode kRed(Style{.foreground = std::pair{ColorIntensity::Vivid, Color::Red}});

// Runs `write` on a filler over a generous buffer; the text written.
std::string filled(std::int64_t width, const std::function<void(LineFiller&)>& write) {
  std::string out(1 << 16, '\0');
  LineFiller fill(out.data(), width);
  write(fill);
  out.resize(static_cast<std::size_t>(fill.position() - out.data()));
  return out;
}

// A text handed out in pieces of at most three characters, as a laid-out
// number hands out its digits.
struct ChoppedText {
  std::string value;
  std::int64_t size() const { return static_cast<std::int64_t>(value.size()); }
  template <class Sink>
  void write(Sink&& sink, std::int64_t from, std::int64_t count) const {
    const auto end = static_cast<std::size_t>(std::min<std::int64_t>(size(), from + count));
    for (auto i = static_cast<std::size_t>(from); i < end; i += 3) sink(std::string_view(value).substr(i, std::min<std::size_t>(3, end - i)));
  }
};
// The same with a whole-text fast path.
struct CopyableText : ChoppedText {
  char* copyTo(char* out) const {
    std::memcpy(out, value.data(), value.size());
    return out + value.size();
  }
};
static_assert(PieceText<ChoppedText> && PieceText<CopyableText> && !PieceText<std::string_view>);

TEST(GalleyFiller, HeaderExample) {
  const std::string out = filled(20, [](LineFiller& fill) {
    fill.startLine(4);
    fill.words("the quick brown fox jumps over");
    fill.word(Styled("lazy", kBold), ",");
    fill.elidedWord(std::string_view("abcdefghijklmnop"), 9);
    fill.endLine();
  });
  EXPECT_EQ(out, "the quick brown fox\n    jumps over \x1b[1mlazy\x1b[0m,\n    abc...nop\n");
  EXPECT_EQ(elide("0123456789", 7), "01...89");
}

// Plain, UTF-8 and single-styled words at many widths and hanging
// indentations, including words wider than the page: the filler and
// renderPretty of nest(hanging, fillSep(words)) must write the same bytes.
TEST(GalleyFiller, AgreesWithFillSep) {
  const std::vector<std::string> vocabulary = {
      "a", "of", "the", "layout", "fills", "\xC3\xBC" "ber", "na\xC3\xAFve", "\xE2\x82\xAC" "42", "lines",
      "incomprehensibilities", "x", "1234567890123456789012345678901234567890", "to", "width"};
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    const std::int64_t width = 1 + static_cast<std::int64_t>(random() % 60);
    const std::int64_t hanging = static_cast<std::int64_t>(random() % 8);
    std::vector<Doc> docs;
    std::vector<std::pair<std::string, int>> words;  // text, 0 plain, 1 bold, 2 red
    for (std::size_t n = random() % 40; n > 0; --n) {
      words.emplace_back(vocabulary[random() % vocabulary.size()], static_cast<int>(random() % 6 / 4 * (1 + random() % 2)));
      const Doc t = text(words.back().first);
      docs.push_back(words.back().second == 0 ? t : words.back().second == 1 ? bold(t) : red(t));
    }
    const std::string expected = displayS(renderPretty(1.0f, width, nest(hanging, fillSep(docs))));
    const std::string got = filled(width, [&](LineFiller& fill) {
      fill.startLine(hanging);
      for (const auto& [w, style] : words) {
        if (style == 0) {
          fill.textWord(w);
        } else {
          fill.wordOfWidth(static_cast<std::int64_t>(countUtf8Characters(w)), Styled(w, style == 1 ? kBold : kRed));
        }
      }
    });
    ASSERT_EQ(got, expected) << "width " << width << " hanging " << hanging;
  }
}

TEST(GalleyFiller, LinesLeadsAndSentences) {
  // A row: label padded to column 11, words nested there; a sentence split
  // at spaces (runs of spaces give no empty words).
  const StyleCode label(Style{.foreground = std::pair{ColorIntensity::Dull, Color::Cyan}});
  EXPECT_EQ(filled(24, [&](LineFiller& fill) {
              fill.startLine(11);
              fill.indent(2);
              fill.lead(Styled("forms", label));
              fill.padTo(11);
              fill.words("  generic 0.1,  fixed 0.1, exponent ");
              fill.endLine();
            }),
            "  \x1b[36mforms\x1b[0m    generic 0.1,\n           fixed 0.1,\n           exponent\n");
  // The first word goes on the line whatever its width; a wide word later
  // gets a line of its own; a page of width 0 or less breaks before every word
  // and a negative hanging indentation is none.
  EXPECT_EQ(filled(5, [](LineFiller& fill) {
              fill.words("abcdefgh ab abcdefgh c");
            }),
            "abcdefgh\nab\nabcdefgh\nc");
  EXPECT_EQ(filled(0, [](LineFiller& fill) {
              fill.startLine(-3);
              fill.words("a b");
              fill.indent(-2);
            }),
            "a\nb");
  // UTF-8 sentences count characters: "über" is four columns.
  EXPECT_EQ(filled(9, [](LineFiller& fill) { fill.words("\xC3\xBC" "ber alle"); }), "\xC3\xBC" "ber alle");
  EXPECT_EQ(filled(8, [](LineFiller& fill) { fill.leadOfWidth(1, "\xC3\xBC"); fill.words("ber alle"); }), "\xC3\xBC" "ber\nalle");
}

TEST(GalleyFiller, StylesBalancedAndEmptyPiecesSkipped) {
  EXPECT_EQ(kBold.on(), "\x1b[1m");
  EXPECT_EQ(kBold.off(), "\x1b[0m");
  EXPECT_TRUE(StyleCode().empty());
  EXPECT_TRUE(StyleCode(Style{}).empty());
  EXPECT_EQ(StyleCode(Style{}).off(), "");
  // Every attribute at once fits, as one sequence.
  const StyleCode all(Style{.foreground = std::pair{ColorIntensity::Vivid, Color::White},
                            .background = std::pair{ColorIntensity::Vivid, Color::White},
                            .intensity = ConsoleIntensity::NormalIntensity,
                            .italic = false,
                            .underlining = Underlining::NoUnderline});
  EXPECT_EQ(all.on(), "\x1b[97;107;22;23;24m");
  // Empty views (whose data may be null) write nothing, and an empty styled
  // piece writes no codes; an empty style writes its text bare.
  EXPECT_EQ(filled(80, [](LineFiller& fill) {
              fill.word(std::string_view(), Styled(std::string_view(), kBold), std::string_view());
              fill.word("(", Styled("rounded", kRed), ",");
              fill.word(Styled("plain", StyleCode()));
              fill.put(std::string_view());
              fill.putElided(std::string_view(), 5);
              fill.textWord({});
            }),
            " (\x1b[91mrounded\x1b[0m, plain ");
}

TEST(GalleyFiller, ElisionCutsBetweenCharacters) {
  EXPECT_EQ(elidedWidth(5), 5);
  EXPECT_EQ(elidedWidth(11), 11);
  EXPECT_EQ(elidedWidth(12), 11);
  EXPECT_EQ(elidedWidth(2), 5);  // at least one character of each end
  std::string digits(100, '1');
  digits.back() = '9';
  EXPECT_EQ(elide("12345", 5), "12345");
  EXPECT_EQ(elide(digits, 11), "1111...1119");
  EXPECT_EQ(elide(digits, -4), "1...9");
  EXPECT_EQ(elide("", 0), "");
  // The limit counts characters; the ends are whole characters.
  std::string umlauts;
  for (int i = 0; i < 20; ++i) umlauts += "\xC3\xBC";
  EXPECT_EQ(elide(umlauts, 20), umlauts);
  EXPECT_EQ(elide("/" + umlauts, 11), "/\xC3\xBC\xC3\xBC\xC3\xBC...\xC3\xBC\xC3\xBC\xC3\xBC\xC3\xBC");
  EXPECT_EQ(elide("\xF0\x9F\x98\x80" "abcdef\xE2\x82\xAC", 5), "\xF0\x9F\x98\x80...\xE2\x82\xAC");
  // Malformed text: a run of continuation bytes counts one character per
  // byte beyond a sequence's length, so an elided text stays within
  // elidedBound whatever the input.
  const std::string stray = "a" + std::string(10000, '\x80') + "b";
  EXPECT_EQ(elisionLength(stray), 9999);
  const std::string cut = elide(stray, 11);
  EXPECT_LE(cut.size(), elidedBound(11));
  EXPECT_EQ(cut, "a\x80\x80\x80\x80\x80\x80...\x80\x80\x80" "b");
  // Stray bytes at the start have no character to belong to: one each.
  EXPECT_EQ(elide(std::string(3, '\x80') + "xyz", 5), "\x80...z");
}

TEST(GalleyFiller, ElidedWordsOfPieces) {
  const ChoppedText chopped{"12345678901234567890"};
  const CopyableText copyable{{"12345678901234567890"}};
  for (const std::int64_t width : {10, 40}) {
    // The width of an elided word is that of its elided form.
    const auto row = [&](const auto& t) {
      return filled(width, [&](LineFiller& fill) {
        fill.word("x");
        fill.elidedWord(t, 9);
        fill.word("y");
        fill.elidedWord(t, 20);
        fill.word(t);
      });
    };
    const std::string expected = width == 10 ? "x\n123...890\ny\n12345678901234567890\n12345678901234567890"
                                             : "x 123...890 y 12345678901234567890\n12345678901234567890";
    EXPECT_EQ(row(chopped), expected);
    EXPECT_EQ(row(copyable), expected);
    EXPECT_EQ(row(std::string_view(chopped.value)), expected);
    EXPECT_EQ(row(AsciiText{chopped.value}), expected);
  }
  // A UTF-8 word that is not elided is as wide as its characters.
  EXPECT_EQ(filled(7, [](LineFiller& fill) {
              fill.word("ab");
              fill.elidedWord(std::string_view("\xC3\xBC\xC3\xBC\xC3\xBC\xC3\xBC"), 9);
            }),
            "ab \xC3\xBC\xC3\xBC\xC3\xBC\xC3\xBC");
}

// What a paragraph writes stays within the bounds its words add up to.
TEST(GalleyFiller, StaysWithinWordBounds) {
  std::mt19937 random(11);
  for (int round = 0; round < 50; ++round) {
    const std::int64_t width = static_cast<std::int64_t>(random() % 30);
    const std::int64_t hanging = static_cast<std::int64_t>(random() % 12);
    std::size_t bound = 0;
    const std::string out = filled(width, [&](LineFiller& fill) {
      fill.startLine(hanging);
      for (int w = 0; w < 30; ++w) {
        const std::string word(random() % 12, 'w');
        fill.word(Styled(word, kRed), word);
        bound += LineFiller::wordBound(2 * word.size(), hanging, 1);
        fill.elidedWord(std::string_view(word + word + word), 7);
        bound += LineFiller::wordBound(elidedBound(7), hanging);
      }
    });
    EXPECT_LE(out.size(), bound);
  }
}

}  // namespace
}  // namespace quire::galley
