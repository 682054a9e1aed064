#include "scientific/binary.hpp"

#include <gmpxx.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "base/error.hpp"
#include "scientific/internal/numeric.hpp"

namespace quire::scientific {
namespace {

constexpr std::uint8_t shortForm = 0x00;
constexpr std::uint8_t longForm = 0x01;
constexpr std::uint8_t positiveSign = 0x01;
constexpr std::uint8_t negativeSign = 0xFF;

bool fitsInt32(std::int64_t v) noexcept {
  return v >= std::numeric_limits<std::int32_t>::min() &&
         v <= std::numeric_limits<std::int32_t>::max();
}

void putLongForm(binary::Output& out, bool negative, std::string_view magnitudeBytes) {
  out.putWord8(longForm);
  out.putWord8(negative ? negativeSign : positiveSign);
  out.putInt64be(static_cast<std::int64_t>(magnitudeBytes.size()));
  out.putBytes(magnitudeBytes);
}

void putInteger(binary::Output& out, std::int64_t v) {
  if (fitsInt32(v)) {
    out.putWord8(shortForm);
    out.putInt32be(static_cast<std::int32_t>(v));
    return;
  }
  char bytes[8];
  std::size_t count = 0;
  for (std::uint64_t m = detail::unsignedAbs(v); m != 0; m >>= 8)
    bytes[count++] = static_cast<char>(m);
  putLongForm(out, v < 0, std::string_view(bytes, count));
}

void putInteger(binary::Output& out, const mpz_class& v) {
  std::string bytes((mpz_sizeinbase(v.get_mpz_t(), 2) + 7) / 8, '\0');
  std::size_t count = 0;
  mpz_export(bytes.data(), &count, -1, 1, 0, 0, v.get_mpz_t());
  bytes.resize(count);
  putLongForm(out, sgn(v) < 0, bytes);
}

// An integer as read: a machine word when it fits, otherwise big.
struct Decoded {
  std::int64_t word = 0;
  std::optional<mpz_class> big;
};

Decoded getInteger(binary::Input& in) {
  if (in.getWord8() == shortForm) return {in.getInt32be(), std::nullopt};
  const bool negative = in.getWord8() != positiveSign;
  const std::int64_t count = in.getInt64be();
  if (count < 0) throwError("Scientific get: negative byte count");
  // Checked against the bytes left before anything else.
  const std::string_view bytes = in.getBytes(static_cast<std::size_t>(count));
  const std::size_t significant = bytes.find_last_not_of('\0') + 1;  // 0 when all zero
  if (significant <= 8) {
    std::uint64_t m = 0;
    for (std::size_t i = significant; i-- > 0;) m = (m << 8) | static_cast<unsigned char>(bytes[i]);
    constexpr std::uint64_t maxPositive = std::numeric_limits<std::int64_t>::max();
    if (m <= maxPositive + (negative ? 1 : 0)) {
      return {negative ? static_cast<std::int64_t>(0 - m) : static_cast<std::int64_t>(m),
              std::nullopt};
    }
  }
  mpz_class v;
  mpz_import(v.get_mpz_t(), significant, -1, 1, 0, 0, bytes.data());
  if (negative) mpz_neg(v.get_mpz_t(), v.get_mpz_t());
  return {0, std::move(v)};
}

}  // namespace

void put(binary::Output& out, const Scientific& s) {
  if (s.hasSmallCoefficient()) {
    putInteger(out, s.smallCoefficient());
  } else {
    putInteger(out, s.bigCoefficient());
  }
  putInteger(out, s.base10Exponent());
}

namespace {

// Short form: tag and four bytes; long form: tag, sign, count and magnitude.
constexpr std::size_t shortFormSize = 1 + 4;
constexpr std::size_t longFormSize(std::size_t magnitudeBytes) noexcept { return 1 + 1 + 8 + magnitudeBytes; }

std::size_t integerSize(std::int64_t v) noexcept {
  if (fitsInt32(v)) return shortFormSize;
  const std::uint64_t m = detail::unsignedAbs(v);
  return longFormSize(static_cast<std::size_t>(64 - __builtin_clzll(m) + 7) / 8);
}

}  // namespace

std::size_t encodedSize(const Scientific& s) noexcept {
  std::size_t coefficient;
  if (s.hasSmallCoefficient()) {
    coefficient = integerSize(s.smallCoefficient());
  } else {
    coefficient = longFormSize((mpz_sizeinbase(s.bigCoefficient().get_mpz_t(), 2) + 7) / 8);
  }
  return coefficient + integerSize(s.base10Exponent());
}

void putList(binary::Output& out, std::span<const Scientific> values) {
  out.putInt64be(static_cast<std::int64_t>(values.size()));
  for (const Scientific& s : values) put(out, s);
}

Scientific get(binary::Input& in) {
  Decoded coefficient = getInteger(in);
  const Decoded exponent = getInteger(in);
  if (exponent.big) throwError("Scientific get: exponent out of the 64-bit range");
  if (coefficient.big) return Scientific(std::move(*coefficient.big), exponent.word);
  return Scientific(coefficient.word, exponent.word);
}

std::vector<Scientific> getList(binary::Input& in) {
  const std::int64_t count = in.getInt64be();
  if (count < 0) throwError("Scientific getList: negative length");
  // Every element takes at least 10 bytes: never reserve more than the
  // input can hold.
  std::vector<Scientific> values;
  values.reserve(std::min(static_cast<std::size_t>(count), in.remaining() / 10));
  for (std::int64_t i = 0; i < count; ++i) values.push_back(get(in));
  return values;
}

}  // namespace quire::scientific
