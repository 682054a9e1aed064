// Fuzzes the CSV reader: any input, any separator among the usual ones,
// any buffer size and any trickle of bytes from the source must give
// exactly the rows a plain reference reader written here gives, with the
// same cells, quoting, places and unterminated quote.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "vellum/csv.hpp"
#include "fuzz/check.hpp"

namespace {

bool startsCharacter(char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }

struct Place {
  std::int64_t line, column;
};

struct RefCell {
  std::string text;
  bool quoted = false;
  Place place{1, 1};
};

// Places as CSV counts lines: LF, CRLF and a lone CR each end one.
std::vector<Place> csvPlacesOf(std::string_view text) {
  std::vector<Place> places;
  places.reserve(text.size() + 1);
  Place at{1, 1};
  for (std::size_t i = 0; i < text.size(); ++i) {
    places.push_back(at);
    const char c = text[i];
    if (c == '\r' || (c == '\n' && (i == 0 || text[i - 1] != '\r'))) {
      at = {at.line + 1, 1};
    } else if (c != '\n' && startsCharacter(c)) {
      ++at.column;
    }
  }
  places.push_back(at);
  return places;
}

// Rows as the CSV reader documents them, each cell with the place where it
// starts; `open` tells whether the input ended inside a quoted field.
std::vector<std::vector<RefCell>> referenceRows(std::string_view text, char separator, bool& open) {
  const std::vector<Place> places = csvPlacesOf(text);
  std::vector<std::vector<RefCell>> rows;
  std::vector<RefCell> row;
  RefCell cell;
  // A cell exists once a byte of it is read or a separator announced it; a
  // quote opens a quoted cell only as the cell's first byte.
  bool cellExists = false, cellHasBytes = false, inQuotes = false;
  auto beginCell = [&](std::size_t at) {
    if (cellExists) return;
    cellExists = true;
    cell.place = places[at];
  };
  auto endCell = [&] {
    row.push_back(cell);
    cell = RefCell{};
    cellExists = cellHasBytes = false;
  };
  auto endRow = [&] {
    if (!row.empty() || cellExists) {
      endCell();
      rows.push_back(row);
    }
    row.clear();
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inQuotes) {
      if (c == '"') {
        if (i + 1 < text.size() && text[i + 1] == '"') {
          cell.text += '"';
          ++i;
        } else {
          inQuotes = false;
        }
      } else {
        cell.text += c;
      }
      continue;
    }
    if (c == separator) {
      beginCell(i);
      endCell();
      beginCell(i + 1);  // an empty cell before a line end still counts
    } else if (c == '\n' || c == '\r') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      endRow();
    } else {
      beginCell(i);
      if (c == '"' && !cellHasBytes) {
        cell.quoted = true;
        inQuotes = true;
      } else {
        cell.text += c;
      }
      cellHasBytes = true;
    }
  }
  open = inQuotes;
  endRow();
  return rows;
}

void fuzzCsv(std::string_view text, char separator, std::size_t buffer, std::size_t chunk) {
  bool open = false;
  const std::vector<std::vector<RefCell>> want = referenceRows(text, separator, open);
  auto whole = quire::vellum::CsvReader::textSource(text);
  quire::vellum::CsvReader reader(
      [&whole, chunk](char* into, std::size_t bytes) { return whole(into, std::min(bytes, chunk)); }, separator,
      buffer);
  std::vector<quire::vellum::CsvCell> row;
  std::size_t k = 0;
  while (reader.next(row)) {
    check(k < want.size() && row.size() == want[k].size());
    check(reader.rowLine() == want[k].front().place.line);
    for (std::size_t j = 0; j < row.size(); ++j) {
      const RefCell& w = want[k][j];
      check(row[j].text == w.text && row[j].quoted == w.quoted);
      check(row[j].line == w.place.line && row[j].column == w.place.column);
    }
    ++k;
  }
  check(k == want.size());
  check(reader.unterminatedQuoteLine() == (open ? want.back().back().place.line : 0));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static constexpr char kSeparators[] = {',', '\t', ';', ' '};
  const char separator = kSeparators[data[0] & 3];
  const std::size_t buffer = (data[0] & 4) != 0 ? quire::vellum::CsvReader::bufferBytes : 1 + (data[0] >> 3) * 3;
  const std::size_t chunk = 1 + (data[0] >> 4);
  fuzzCsv(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1), separator, buffer, chunk);
  return 0;
}
