#include "base/bytes_buffer.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

namespace quire {
namespace {

TEST(BytesBuffer, FrozenStretchesShareTheBufferAndOutliveIt) {
  Bytes hello, world;
  {
    BytesBuffer buf(16);
    std::memcpy(buf.data(), "hello world", 11);
    hello = buf.freeze(0, 5);
    world = buf.freeze(6, 5);
    EXPECT_EQ(hello.data(), buf.data());
    EXPECT_EQ(world.data(), buf.data() + 6);
    // Writing after a frozen stretch leaves it alone.
    std::memcpy(buf.data() + 11, "!!", 2);
    EXPECT_TRUE(buf.freeze(3, 0).empty());

    BytesBuffer moved = std::move(buf);
    EXPECT_EQ(moved.capacity(), 16u);
    EXPECT_EQ(moved.freeze(11, 2).view(), "!!");
  }
  EXPECT_EQ(hello.view(), "hello");
  EXPECT_EQ(world.view(), "world");
}

}  // namespace
}  // namespace quire
