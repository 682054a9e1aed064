#include "apps/decimal/json_writer.hpp"

#include <charconv>
#include <cmath>
#include <cstring>

#include "apps/decimal/analysis.hpp"
#include "apps/decimal/json_text.hpp"

namespace quire::decimal {

namespace {

constexpr std::size_t kFlushAt = std::size_t{1} << 20;
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
  // Strings made only of characters that need no escaping: the digits,
  // signs, points and exponent letters of numbers and their renderings.
  void plainString(std::string_view s) noexcept {
    character('"');
    raw(s);
    character('"');
  }
  void integer(std::int64_t v) noexcept { p_ = std::to_chars(p_, p_ + 24, v).ptr; }
  template <class F>
  void floating(F v) noexcept {
    if (!std::isfinite(v)) {
      raw("null");
      return;
    }
    p_ = std::to_chars(p_, p_ + 32, v).ptr;
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
void writeFloating(Cursor& out, const FloatingFacts& f) {
  out.raw("{\"value\":");
  out.floating(static_cast<F>(f.value));
  out.raw(",\"conversion\":\"");
  out.raw(conversionName(f.outcome));
  out.raw("\",\"relative_error\":");
  if (f.outcome == Conversion::Overflow || f.outcome == Conversion::Underflow) {
    out.raw("null");
  } else {
    out.floating(f.relativeError);
  }
  out.character('}');
}

std::size_t bytesNeeded(const NumberFacts& f, std::size_t sourceBytes) noexcept {
  return kFixedPart + sourceBytes + f.text.size() + f.shape.significant.size() + f.generic.size() +
         f.fixed.size() + f.exponentForm.size();
}

}  // namespace

JsonReporter::JsonReporter(std::FILE* out) : out_(out) {
  buffer_.resize(kFlushAt + kFixedPart);
  Cursor c(buffer_.data());
  c.raw("{\"numbers\":[");
  used_ = static_cast<std::size_t>(c.position() - buffer_.data());
}

JsonReporter::~JsonReporter() { flush(); }

const std::string& JsonReporter::escapedSource(std::string_view source) {
  if (source.data() != lastSource_.data() || source.size() != lastSource_.size()) {
    lastSource_ = source;
    sourceJson_.clear();
    appendJsonString(sourceJson_, source);
  }
  return sourceJson_;
}

char* JsonReporter::reserve(std::size_t bytes) {
  if (buffer_.size() - used_ < bytes) buffer_.resize(used_ + bytes);
  return buffer_.data() + used_;
}

void JsonReporter::number(const Location& where, const NumberFacts& f) {
  const std::string& source = escapedSource(where.source);
  Cursor out(reserve(bytesNeeded(f, source.size())));
  out.raw(first_ ? "\n{\"source\":" : ",\n{\"source\":");
  first_ = false;
  out.raw(source);
  out.raw(",\"line\":");
  out.integer(where.line);
  out.raw(",\"column\":");
  out.integer(where.column);
  out.raw(",\"text\":");
  out.plainString(f.text);
  out.raw(",\"coefficient\":\"");
  if (f.shape.isZero()) {
    out.character('0');
  } else {
    if (f.shape.negative) out.character('-');
    out.raw(f.shape.significant);
  }
  out.raw("\",\"exponent\":");
  out.integer(f.shape.normalExponent);
  out.raw(",\"generic\":");
  out.plainString(f.generic);
  out.raw(",\"fixed\":");
  if (f.fixedShown) {
    out.plainString(f.fixed);
  } else {
    out.raw("null");
  }
  out.raw(",\"fixed_length\":");
  out.integer(f.fixedLength);
  out.raw(",\"exponent_form\":");
  out.plainString(f.exponentForm);
  out.raw(",\"integer\":");
  out.boolean(f.integer);
  out.raw(",\"signed\":");
  integerType(out, f.signedBits, true);
  out.raw(",\"unsigned\":");
  integerType(out, f.unsignedBits, false);
  out.raw(",\"double\":");
  writeFloating<double>(out, f.asDouble);
  out.raw(",\"float\":");
  writeFloating<float>(out, f.asFloat);
  out.raw(",\"binary_size\":");
  out.integer(f.binarySize);
  out.character('}');
  used_ = static_cast<std::size_t>(out.position() - buffer_.data());
  if (used_ >= kFlushAt) flush();
}

void JsonReporter::finish(const Tally& t) {
  const std::pair<std::string_view, std::int64_t> counts[] = {
      {"numbers", t.numbers},         {"exact", t.exact},
      {"rounded", t.rounded},         {"overflowing", t.overflowing},
      {"underflowing", t.underflowing}, {"non_integer", t.nonInteger},
      {"bad", t.bad}};
  Cursor out(reserve(kFixedPart));
  out.raw(first_ ? "],\n\"summary\":{" : "\n],\n\"summary\":{");
  for (const auto& [name, count] : counts) {
    if (name != counts[0].first) out.character(',');
    out.plainString(name);
    out.character(':');
    out.integer(count);
  }
  out.raw("}}\n");
  used_ = static_cast<std::size_t>(out.position() - buffer_.data());
  flush();
}

void JsonReporter::flush() {
  if (used_ > 0) std::fwrite(buffer_.data(), 1, used_, out_);
  used_ = 0;
  std::fflush(out_);
}

}  // namespace quire::decimal
