// Fuzzes the readers and writers of embedded data on random file contents:
// injection into a dummy space (a fresh area placed among random bytes, or
// whatever random contents hold) must give exactly the bytes a plain model
// of the layout gives, keep the length, change nothing outside the area,
// and read back the payload through getInner, or refuse with nothing (the
// payload does not fit) or quire::Error (no readable area), as the model
// says; a second injection treats the first payload's length as the
// capacity. getInner on any block must agree with the model's reading of
// the size field. The C++ literal written for embedded bytes must decode,
// by an independent reading of its escapes, to the same bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "base/bytes.hpp"
#include "base/error.hpp"
#include "stowage/area.hpp"
#include "stowage/codegen.hpp"
#include "stowage/inject.hpp"
#include "fuzz/check.hpp"

namespace {

namespace st = quire::stowage;

// ------------------------------------------------------------- the model

// The size field read as a decimal integer: white space, an optional '-',
// at least one digit. Magnitudes are capped far above any length, which
// leaves every comparison with a length unchanged.
std::optional<long long> modelSize(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && std::string_view(" \t\n\r\f\v").find(text[i]) != std::string_view::npos) ++i;
  const bool negative = i < text.size() && text[i] == '-';
  if (negative) ++i;
  if (i == text.size() || text[i] < '0' || text[i] > '9') return std::nullopt;
  long long n = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    n = std::min(n * 10 + (text[i] - '0'), 1LL << 50);
  }
  return negative ? -n : n;
}

std::string modelPad(std::size_t n) {
  std::string digits = std::to_string(n);
  return std::string(digits.size() < 20 ? 20 - digits.size() : 0, '0') + digits;
}

std::string modelInner(std::string_view block) {
  const std::string_view sizeText = block.substr(0, 20);
  const std::optional<long long> n = modelSize(sizeText);
  if (!n || *n <= 0) return "";
  return std::string(block.substr(sizeText.size(), static_cast<std::size_t>(*n)));
}

enum class Outcome { Injected, TooLong, Corrupted };

struct Injection {
  Outcome outcome;
  std::string bytes;
  std::size_t at = 0;  // where the marker is
};

Injection modelInject(std::string_view suffix, std::string_view payload, std::string_view contents) {
  const std::string marker = "vq" + std::string(suffix);
  const std::size_t at = contents.find(marker);
  if (at == std::string_view::npos) return {Outcome::Corrupted, {}};
  const std::string_view sizeText = contents.substr(at + marker.size(), 20);
  const std::string_view tail = contents.substr(at + marker.size() + sizeText.size());
  const std::optional<long long> capacity = modelSize(sizeText);
  if (!capacity) return {Outcome::Corrupted, {}};
  if (*capacity < 0 || payload.size() > static_cast<unsigned long long>(*capacity)) return {Outcome::TooLong, {}};
  // An area running past the end of the contents, its size field included,
  // is damaged: filling it would grow the file.
  if (sizeText.size() < 20 || static_cast<unsigned long long>(*capacity) > tail.size()) return {Outcome::Corrupted, {}};
  const auto area = static_cast<std::size_t>(*capacity);
  std::string out(contents.substr(0, at + marker.size()));
  out += modelPad(payload.size());
  out += payload;
  out += std::string(area - payload.size(), '0');
  out += tail.substr(area);
  return {Outcome::Injected, std::move(out), at};
}

// ---------------------------------------------------------- the checks

Injection runInject(std::string_view suffix, std::string_view payload, std::string_view contents) {
  try {
    const std::optional<quire::Bytes> got = st::injectWith(suffix, payload, contents);
    if (!got) return {Outcome::TooLong, {}};
    return {Outcome::Injected, std::string(got->view())};
  } catch (const quire::Error&) {
    return {Outcome::Corrupted, {}};
  }
}

// Injects and compares with the model; gives the injected bytes, if any.
std::optional<std::string> checkInject(std::string_view suffix, std::string_view payload, std::string_view contents) {
  const Injection want = modelInject(suffix, payload, contents);
  const Injection got = runInject(suffix, payload, contents);
  check(got.outcome == want.outcome);
  if (want.outcome != Outcome::Injected) return std::nullopt;
  check(got.bytes == want.bytes);
  check(got.bytes.size() == contents.size());
  // Read back as the program would, from just after the marker.
  const std::size_t after = want.at + 2 + suffix.size();
  const quire::Bytes block(std::string_view(got.bytes).substr(after));
  check(st::getInner(block).view() == payload);
  return got.bytes;
}

void checkGetInner(std::string_view block) {
  try {
    const quire::Bytes got = st::getInner(quire::Bytes(block));
    check(modelSize(block.substr(0, 20)).has_value());
    check(got.view() == modelInner(block));
  } catch (const quire::Error&) {
    check(!modelSize(block.substr(0, 20)).has_value());
  }
}

// The literal's bytes, read back by the rules of C++ string literals that
// the writer may use: adjacent quoted pieces separated by white space, with
// octal escapes of one to three digits.
std::optional<std::string> decodeLiteral(std::string_view lit) {
  std::string out;
  std::size_t i = 0;
  auto skipSpace = [&] {
    while (i < lit.size() && (lit[i] == ' ' || lit[i] == '\n')) ++i;
  };
  skipSpace();
  if (i == lit.size()) return std::nullopt;
  while (i < lit.size()) {
    if (lit[i] != '"') return std::nullopt;
    for (++i;; ++i) {
      if (i == lit.size()) return std::nullopt;
      const char c = lit[i];
      if (c == '"') break;
      if (c == '\n' || c == '?') return std::nullopt;  // a raw newline or a trigraph start
      if (c != '\\') {
        out.push_back(c);
        continue;
      }
      unsigned value = 0;
      std::size_t digits = 0;
      while (digits < 3 && i + 1 < lit.size() && lit[i + 1] >= '0' && lit[i + 1] <= '7') {
        value = value * 8 + static_cast<unsigned>(lit[++i] - '0');
        ++digits;
      }
      if (digits == 0 || value > 0xFF) return std::nullopt;
      out.push_back(static_cast<char>(value));
    }
    ++i;
    skipSpace();
  }
  return out;
}

void checkLiteral(std::string_view bytes) {
  const std::string lit = st::cppStringLiteral(bytes);
  for (char c : lit) check(c == '\n' || (c >= ' ' && c <= '~'));
  check(decodeLiteral(lit) == std::string(bytes));
  const std::string expr = st::strToExp(bytes);
  check(expr == "std::string_view(" + lit + ", " + std::to_string(bytes.size()) + ")");
}

std::string drawSuffix(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: return "KZ";
    case 1: return "";
    case 2: return "q";  // a marker that can overlap itself: "vqq"
    default: return in.ConsumeRandomLengthString(4);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
    case 1: {
      // A fresh area among random bytes, sometimes damaged, or none at all.
      const std::string suffix = drawSuffix(in);
      const std::size_t capacity = in.ConsumeIntegralInRange<std::size_t>(0, 300);
      const std::string before = in.ConsumeRandomLengthString(64);
      const std::string payload = in.ConsumeRandomLengthString(320);
      const std::string second = in.ConsumeRandomLengthString(320);
      std::string contents = before;
      const quire::Bytes fresh = st::dummySpaceWith(suffix, capacity);
      check(fresh.size() == 2 + suffix.size() + 20 + capacity);
      check(st::getInner(fresh.slice(2 + suffix.size(), fresh.size())).view() == std::string(capacity, '0'));
      if (in.ConsumeBool()) contents += std::string(fresh.view());
      if (in.ConsumeBool() && !contents.empty()) {
        // Damage one byte: of the size field, the data or the marker.
        const std::size_t at = in.ConsumeIntegralInRange<std::size_t>(0, contents.size() - 1);
        contents[at] = in.ConsumeIntegral<char>();
      }
      if (in.ConsumeBool() && contents.size() > before.size()) contents.resize(contents.size() - 1);
      contents += in.ConsumeRandomLengthString(64);
      if (const auto once = checkInject(suffix, payload, contents)) {
        // The size field now holds the payload's length: the new capacity.
        (void)checkInject(suffix, second, *once);
      }
      break;
    }
    case 2: {
      const std::string suffix = drawSuffix(in);
      const std::string payload = in.ConsumeRandomLengthString(64);
      const std::string contents = in.ConsumeRemainingBytesAsString();
      (void)checkInject(suffix, payload, contents);
      checkGetInner(contents);
      break;
    }
    default: {
      const std::string bytes = in.ConsumeRemainingBytesAsString();
      checkLiteral(bytes);
      checkGetInner(bytes);
    }
  }
  return 0;
}
