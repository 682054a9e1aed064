// The growing buffer keeps its bytes in place and stops at its limit.
#include "base/growing_bytes.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <system_error>
#include <vector>

namespace {

TEST(GrowingBytes, GrowsInPlaceUpToItsLimit) {
  quire::GrowingBytes bytes(1);
  EXPECT_EQ(bytes.limit(), quire::GrowingBytes::minimumBytes);
  bytes.append("ab", 2);
  const char* at = bytes.data();
  bytes.resize(bytes.limit());
  EXPECT_EQ(bytes.data(), at);
  EXPECT_EQ(bytes.view().substr(0, 2), "ab");
  EXPECT_THROW(bytes.append('c'), std::system_error);
  bytes.clear();
  bytes.append('c');
  EXPECT_EQ(bytes.view(), "c");
}

// A large limit costs address space, not memory: many buffers of a
// gigabyte each fit where their memory would not.
TEST(GrowingBytes, ReservesAddressSpaceNotMemory) {
  std::vector<std::unique_ptr<quire::GrowingBytes>> buffers;
  for (int i = 0; i < 64; ++i) {
    buffers.push_back(std::make_unique<quire::GrowingBytes>(std::size_t{1} << 30));
    buffers.back()->append("x", 1);
  }
  EXPECT_EQ(buffers.back()->view(), "x");
}

}  // namespace
