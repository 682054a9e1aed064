// Node memory: documents made in one thread and freed in another, large
// texts, and many threads building and freeing at once.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "galley/galley.hpp"

namespace quire::galley {
namespace {

Doc words(int n, int salt) {
  std::vector<Doc> ds;
  for (int i = 0; i < n; ++i) ds.push_back(text(std::to_string(i * salt % 97)));
  return fillSep(ds);
}

TEST(GalleyPool, DocumentsFreedInAnotherThread) {
  const std::string expected = show(words(5000, 3));
  for (int round = 0; round < 3; ++round) {
    std::vector<Doc> made(8);
    std::thread builder([&made] {
      for (Doc& d : made) d = words(5000, 3);
    });
    builder.join();
    for (const Doc& d : made) EXPECT_EQ(show(d), expected);
    std::thread freer([moved = std::move(made)]() mutable { moved.clear(); });
    freer.join();
  }
  EXPECT_EQ(show(words(5000, 3)), expected);  // the recycled memory serves again
}

TEST(GalleyPool, LargeAndEmptyTexts) {
  const std::string big(5000, 'x');  // beyond the pooled node sizes
  Doc d = text(big) + text("") + text(std::string(1000, 'y')) + text("z");
  EXPECT_EQ(show(d), big + std::string(1000, 'y') + "z");
  EXPECT_EQ(d.left().left().left().textValue(), big);
  EXPECT_EQ(text(std::string(3, '\0')).textValue(), std::string(3, '\0'));
}

TEST(GalleyPool, ThreadsBuildAndFreeAtOnce) {
  // Each thread keeps some documents from others' and frees the rest, so
  // chunks are shared across threads while they are being freed.
  constexpr int kThreads = 4;
  std::vector<Doc> handOff(kThreads);
  std::vector<std::string> seen(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    handOff[t] = words(2000, t + 1);
  }
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &handOff, &seen] {
      Doc mine = handOff[(t + 1) % kThreads];  // shares another thread's nodes
      for (int i = 0; i < 20; ++i) {
        Doc scratch = words(500, i + t);
        mine = group(mine) + scratch;
      }
      seen[t] = show(mine).substr(0, 20);
    });
  }
  for (auto& th : threads) th.join();
  handOff.clear();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(seen[t], show(words(2000, (t + 1) % kThreads + 1)).substr(0, 20));
}

}  // namespace
}  // namespace quire::galley
