#include "apps/decimal/json_writer.hpp"

#include <cstring>

#include "apps/decimal/analysis.hpp"
#include "apps/decimal/fields.hpp"
#include "quill/json.hpp"

namespace quire::decimal {

namespace {

namespace json = quill::json;
using json::appendJsonInteger;
using json::appendJsonNumber;
using json::appendJsonString;

// Room for everything of a number object except its variable-length strings.
constexpr std::size_t kFixedPart = 1024;

// Writes through a raw pointer into space reserved beforehand.
class Cursor {
 public:
  explicit Cursor(char* p) noexcept : p_(p) {}
  char* position() const noexcept { return p_; }

  void raw(std::string_view s) noexcept {
    std::memcpy(p_, s.data(), s.size());
    p_ += s.size();
  }
  void character(char c) noexcept { *p_++ = c; }
  void text(std::string_view s) noexcept { raw(s); }
  void text(const scientific::DecimalTextLayout& l) noexcept { p_ = l.copyTo(p_); }
  // Strings made only of characters that need no escaping: the digits,
  // signs, points and exponent letters of numbers and their renderings.
  void plainString(std::string_view s) noexcept {
    character('"');
    raw(s);
    character('"');
  }
  // Any string, escaped; needs json::jsonStringBound(s.size()) bytes.
  void jsonString(std::string_view s) noexcept { p_ = json::storeJsonString(p_, s); }
  void integer(std::int64_t v) noexcept { p_ = json::storeJsonInteger(p_, v); }
  template <class F>
  void floating(F v) noexcept {
    p_ = json::storeJsonNumber(p_, v);
  }
  void boolean(bool b) noexcept { raw(b ? "true" : "false"); }

 private:
  char* p_;
};

void integerType(Cursor& out, int bits, bool isSigned) noexcept {
  if (bits == 0) {
    out.raw("null");
  } else {
    out.plainString(integerTypeName(bits, isSigned));
  }
}

template <class F>
void writeFloating(Cursor& out, const scientific::FloatConversion<F>& f) {
  out.raw("{\"value\":");
  out.floating(f.value);
  out.raw(",\"conversion\":\"");
  out.raw(conversionName(f.outcome));
  out.raw("\",\"relative_error\":");
  if (f.outcome == FloatOutcome::Overflow || f.outcome == FloatOutcome::Underflow) {
    out.raw("null");
  } else {
    out.floating(f.relativeError);
  }
  out.character('}');
}

// Strings longer than this (a coefficient of a million digits and its
// forms) are handed to the output on their own, so that no second copy of
// them is built in the buffer.
constexpr std::size_t kInlineString = 4096;

template <class Text>
std::size_t inlineSize(const Text& s) noexcept {
  const auto n = static_cast<std::size_t>(textLength(s));
  return n <= kInlineString ? n : 0;
}

// A plain string: in place when short, otherwise written on its own, after
// which room for the rest of the object is reserved again.
template <class Text>
void string(DescriptorOutput& output, Cursor& out, const Text& s, std::size_t rest) {
  out.character('"');
  if (static_cast<std::size_t>(textLength(s)) <= kInlineString) {
    out.text(s);
  } else {
    output.commit(out.position());
    writeText(s, [&output](std::string_view piece) { output.append(piece); });
    out = Cursor(output.reserve(rest));
  }
  out.character('"');
}

std::size_t bytesNeeded(const NumberFacts& f, std::size_t otherBytes) noexcept {
  return kFixedPart + otherBytes + inlineSize(f.text) + inlineSize(f.generic) + inlineSize(f.fixed) +
         inlineSize(f.exponentForm);
}

void appendCount(std::string& out, std::string_view name, std::int64_t n) {
  out += ",\"";
  out += name;
  out += "\":";
  appendJsonInteger(out, n);
}

void appendTally(std::string& out, std::string_view name, const FloatTally& t) {
  out += ",\"";
  out += name;
  out += "\":{\"exact\":";
  appendJsonInteger(out, t.exact);
  appendCount(out, "rounded", t.rounded);
  appendCount(out, "overflowing", t.overflowing);
  appendCount(out, "underflowing", t.underflowing);
  out += ",\"max_relative_error\":";
  appendJsonNumber(out, t.maxRelativeError);
  out += '}';
}

void appendNullableType(std::string& out, std::string_view name, bool none, int bits, bool isSigned) {
  out += ",\"";
  out += name;
  out += "\":";
  if (none || bits == 0) {
    out += "null";
  } else {
    appendJsonString(out, integerTypeName(bits, isSigned));
  }
}

void appendField(std::string& out, const FieldStats& f) {
  out += "{\"field\":";
  appendJsonString(out, f.name);
  const std::pair<std::string_view, std::int64_t> counts[] = {
      {"numbers", f.numbers}, {"text", f.text}, {"empty", f.empty}, {"outside_grammar", f.outsideGrammar},
      {"leading_zeros", f.leadingZeros}, {"integers", f.integers}};
  for (const auto& [name, n] : counts) appendCount(out, name, n);
  appendTally(out, "double", f.asDouble);
  appendTally(out, "float", f.asFloat);
  const bool allIntegers = f.numbers > 0 && f.integers == f.numbers;
  appendNullableType(out, "signed", !allIntegers || f.signedNone, f.signedBits, true);
  appendNullableType(out, "unsigned", !allIntegers || f.unsignedNone, f.unsignedBits, false);
  out += ",\"decimal\":";
  if (f.numbers == 0) {
    out += "null";
  } else {
    out += "{\"precision\":";
    appendJsonInteger(out, f.precision());
    appendCount(out, "scale", f.scale);
    out += '}';
  }
  out += ",\"min\":";
  if (f.numbers == 0) {
    out += "null";
  } else {
    appendJsonString(out, f.minText);
  }
  out += ",\"max\":";
  if (f.numbers == 0) {
    out += "null";
  } else {
    appendJsonString(out, f.maxText);
  }
  const Verdict v = verdict(f);
  out += ",\"recommendation\":";
  appendJsonString(out, v.type);
  out += ",\"reason\":";
  appendJsonString(out, v.reason);
  out += '}';
}

}  // namespace

JsonReporter::JsonReporter(DescriptorOutput& out, bool byField) : out_(out), byField_(byField) {
  out_.append(byField ? "{\"fields\":[" : "{\"numbers\":[");
}

const std::string& JsonReporter::escapedSource(std::string_view source) {
  if (source.data() != lastSource_.data() || source.size() != lastSource_.size()) {
    lastSource_ = source;
    sourceJson_.clear();
    appendJsonString(sourceJson_, source);
  }
  return sourceJson_;
}

void JsonReporter::number(const Location& where, const NumberFacts& f) {
  const std::string& source = escapedSource(where.source);
  const std::size_t pointerBytes =
      where.pointer.empty() ? 0 : static_cast<std::size_t>(json::jsonStringBound(where.pointer.size()));
  Cursor out(out_.reserve(bytesNeeded(f, source.size() + inlineSize(f.coefficient) + pointerBytes)));
  const std::size_t rest = bytesNeeded(f, inlineSize(f.coefficient));
  out.raw(first_ ? "\n{\"source\":" : ",\n{\"source\":");
  first_ = false;
  out.raw(source);
  out.raw(",\"line\":");
  out.integer(where.line);
  out.raw(",\"column\":");
  out.integer(where.column);
  if (!where.pointer.empty()) {
    out.raw(",\"pointer\":");
    out.jsonString(where.pointer);
  }
  out.raw(",\"text\":");
  string(out_, out, f.text, rest);
  out.raw(",\"coefficient\":");
  string(out_, out, f.coefficient, bytesNeeded(f, 0));
  out.raw(",\"exponent\":");
  out.integer(f.shape.normalExponent());
  out.raw(",\"generic\":");
  string(out_, out, f.generic, rest);
  out.raw(",\"fixed\":");
  if (f.fixedShown) {
    string(out_, out, f.fixed, rest);
  } else {
    out.raw("null");
  }
  out.raw(",\"fixed_length\":");
  out.integer(f.fixed.size());
  out.raw(",\"exponent_form\":");
  string(out_, out, f.exponentForm, rest);
  out.raw(",\"integer\":");
  out.boolean(f.integer);
  out.raw(",\"signed\":");
  integerType(out, f.signedBits, true);
  out.raw(",\"unsigned\":");
  integerType(out, f.unsignedBits, false);
  out.raw(",\"double\":");
  writeFloating(out, f.asDouble);
  out.raw(",\"float\":");
  writeFloating(out, f.asFloat);
  out.raw(",\"binary_size\":");
  out.integer(f.binarySize);
  out.character('}');
  out_.commit(out.position());
}

void JsonReporter::finish(const Tally& t, const std::vector<FieldStats>* fields) {
  std::string out;
  if (byField_ && fields != nullptr) {
    for (std::size_t i = 0; i < fields->size(); ++i) {
      out += i == 0 ? "\n" : ",\n";
      appendField(out, (*fields)[i]);
    }
    first_ = fields->empty();
  }
  const std::pair<std::string_view, std::int64_t> counts[] = {
      {"numbers", t.numbers},           {"exact", t.exact},
      {"rounded", t.rounded},           {"overflowing", t.overflowing},
      {"underflowing", t.underflowing}, {"non_integer", t.nonInteger},
      {"bad", t.bad},                   {"problems", t.problems}};
  out += first_ ? "],\n\"summary\":{" : "\n],\n\"summary\":{";
  for (const auto& [name, count] : counts) {
    if (name != counts[0].first) out += ',';
    out += '"';
    out += name;
    out += "\":";
    appendJsonInteger(out, count);
  }
  out += "}}\n";
  out_.append(out);
  out_.flush();
}

}  // namespace quire::decimal
