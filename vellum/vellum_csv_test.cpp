#include "vellum/csv.hpp"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace {

using quire::vellum::CsvCell;
using quire::vellum::CsvReader;
using Rows = std::vector<std::vector<std::string>>;

// A source handing out at most `chunk` bytes a call, as a pipe may.
CsvReader::Source trickle(std::string_view text, std::size_t chunk) {
  return [inner = CsvReader::textSource(text), chunk](char* into, std::size_t bytes) mutable {
    return inner(into, std::min(bytes, chunk));
  };
}

// Every row as "line:column=cell" strings (quoted cells marked with q).
Rows rowsOf(CsvReader& reader) {
  Rows rows;
  std::vector<CsvCell> row;
  while (reader.next(row)) {
    rows.emplace_back();
    for (const CsvCell& c : row) {
      rows.back().push_back(std::to_string(c.line) + ":" + std::to_string(c.column) + (c.quoted ? "q=" : "=") +
                            std::string(c.text));
    }
  }
  return rows;
}

Rows rowsOf(std::string_view text, char separator, std::size_t buffer, std::int64_t* openQuote = nullptr) {
  CsvReader reader(trickle(text, buffer / 2 + 1), separator, buffer);
  Rows rows = rowsOf(reader);
  if (openQuote != nullptr) *openQuote = reader.unterminatedQuoteLine();
  return rows;
}

TEST(VellumCsv, HeaderExample) {
  CsvReader reader(CsvReader::textSource("name,price\r\n\"Widget, large\",19.99\r\n"));
  std::vector<CsvCell> row;
  ASSERT_TRUE(reader.next(row));
  ASSERT_EQ(row.size(), 2u);
  EXPECT_EQ(row[0].text, "name");
  EXPECT_EQ(row[1].text, "price");
  EXPECT_EQ(reader.rowLine(), 1);
  ASSERT_TRUE(reader.next(row));
  EXPECT_EQ(row[0].text, "Widget, large");
  EXPECT_TRUE(row[0].quoted);
  EXPECT_EQ(row[1].column, 17);
  EXPECT_EQ(reader.rowLine(), 2);
  EXPECT_FALSE(reader.next(row));
  EXPECT_FALSE(reader.next(row));
  EXPECT_EQ(reader.unterminatedQuoteLine(), 0);
}

TEST(VellumCsv, QuotesSeparatorsAndLineEndsAtEveryBufferSize) {
  const std::string text =
      "name,price\r\n\"Widget, large\",19.99\r\n\"say \"\"hi\"\"\n\u00e9\",\n\r\n,\n1,2,3\rlast";
  const Rows expected = {{"1:1=name", "1:6=price"},
                         {"2:1q=Widget, large", "2:17=19.99"},
                         {"3:1q=say \"hi\"\n\u00e9", "4:4="},
                         {"6:1=", "6:2="},
                         {"7:1=1", "7:3=2", "7:5=3"},
                         {"8:1=last"}};
  for (std::size_t buffer : {1, 2, 3, 7, 64, 65536}) {
    EXPECT_EQ(rowsOf(text, ',', buffer), expected) << "buffer " << buffer;
  }
  std::int64_t open = 0;
  EXPECT_EQ(rowsOf("a\tb\n\"x\ty\"z\t\"open\n", '\t', 4, &open), (Rows{{"1:1=a", "1:3=b"}, {"2:1q=x\tyz", "2:8q=open\n"}}));
  EXPECT_EQ(open, 2);
}

TEST(VellumCsv, LoneCarriageReturnsCountLinesInsideQuotesToo) {
  const std::string text = "\"a\rb\"\rc\r\n\"d\r\ne\",f\r\"g\rh";
  for (std::size_t buffer : {1, 2, 5, 65536}) {
    std::int64_t open = 0;
    EXPECT_EQ(rowsOf(text, ',', buffer, &open), (Rows{{"1:1q=a\rb"}, {"3:1=c"}, {"4:1q=d\r\ne", "5:4=f"}, {"6:1q=g\rh"}}))
        << "buffer " << buffer;
    EXPECT_EQ(open, 6);
  }
}

TEST(VellumCsv, EmptyInputsAndTrailingSeparators) {
  EXPECT_EQ(rowsOf("", ',', 16), Rows{});
  EXPECT_EQ(rowsOf("\n\r\n\r", ',', 16), Rows{});
  EXPECT_EQ(rowsOf("a,", ',', 16), (Rows{{"1:1=a", "1:3="}}));
  EXPECT_EQ(rowsOf("\"\"", ',', 16), (Rows{{"1:1q="}}));
  EXPECT_EQ(rowsOf("a;b,c", ';', 16), (Rows{{"1:1=a", "1:3=b,c"}}));
}

TEST(VellumCsv, RefusesSeparatorsThatCannotSeparate) {
  for (char c : {'"', '\n', '\r'}) {
    EXPECT_THROW(CsvReader(CsvReader::textSource("a"), c), std::invalid_argument) << int(c);
  }
}

TEST(VellumCsv, ARowPastTheLimitStopsTheReading) {
  const std::string text = "short\n\"" + std::string(100, 'x') + "\"\nafter\n";
  CsvReader reader(trickle(text, 7), ',', 16, 64);
  std::vector<CsvCell> row;
  ASSERT_TRUE(reader.next(row));
  EXPECT_EQ(row[0].text, "short");
  try {
    reader.next(row);
    FAIL() << "a 100-byte cell passed a 64-byte limit";
  } catch (const std::system_error& e) {
    EXPECT_EQ(e.code(), std::errc::file_too_large);
  }
  // Exactly at the limit is still a row.
  const std::string full(64, 'y');
  CsvReader fits(CsvReader::textSource(full), ',', 16, 64);
  ASSERT_TRUE(fits.next(row));
  EXPECT_EQ(row[0].text.size(), 64u);
}

TEST(VellumCsv, SourceFailuresReachTheCaller) {
  int calls = 0;
  CsvReader reader(
      [&calls](char* into, std::size_t) -> std::size_t {
        if (++calls > 1) throw std::runtime_error("device gone");
        into[0] = 'a';
        return 1;
      },
      ',', 1);
  std::vector<CsvCell> row;
  EXPECT_THROW(reader.next(row), std::runtime_error);
}

}  // namespace
