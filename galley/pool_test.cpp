// Node memory: documents made in one thread and freed in another, large
// texts, many threads building and freeing at once, chunks handed back
// exactly when their last node goes, and the shared documents that are
// never freed.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "galley/galley.hpp"
#include "galley/internal/pool.hpp"

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

TEST(GalleyPool, ChunksComeBackWhenTheirLastNodeGoes) {
  if (!detail::kPoolNodes) GTEST_SKIP() << "nodes come from the heap in this build";
  // Two documents whose nodes alternate through the same chunks: freeing
  // one must leave every chunk to the other.
  std::vector<Doc> odd;
  std::vector<Doc> even;
  for (int i = 0; i < 20000; ++i) (i % 2 == 0 ? even : odd).push_back(text(std::to_string(i)));
  Doc kept = fillSep(even);
  Doc dropped = fillSep(odd);
  even.clear();
  odd.clear();
  const std::string expected = show(kept);
  std::vector<void*> chunks;
  for (Doc d = dropped; d.kind() == DocKind::Cat; d = d.right().right()) chunks.push_back(detail::chunkOf(const_cast<detail::NodeHeader*>(d.left().node())));
  dropped = Doc();
  std::thread other([] { for (int i = 0; i < 4; ++i) (void)show(words(20000, i + 1)); });  // takes whatever was handed back
  other.join();
  EXPECT_EQ(show(kept), expected);

  // Once both are gone, their chunks serve the next thread to need one.
  Doc last = kept;
  kept = Doc();
  for (Doc d = last; d.kind() == DocKind::Cat; d = d.right().right()) chunks.push_back(detail::chunkOf(const_cast<detail::NodeHeader*>(d.left().node())));
  last = Doc();
  void* reused = nullptr;
  std::thread next([&reused] {
    Doc d = text("fresh");
    reused = detail::chunkOf(const_cast<detail::NodeHeader*>(d.node()));
  });
  next.join();
  EXPECT_NE(std::find(chunks.begin(), chunks.end(), reused), chunks.end());
}

TEST(GalleyPool, SharedSeparatorsOutliveEveryDocument) {
  // line(), softline(), space() and the ASCII characters are built once and
  // held by every document that uses them, on any thread.
  const std::string expected = show(fillSep({text("a"), text("b")}) + line() + space() + comma() + softbreak());
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([] {
      for (int i = 0; i < 200; ++i) {
        std::vector<Doc> ds(50, softline());
        Doc d = vsep(ds) + hsep({space(), line(), linebreak(), softbreak(), char_(U'x'), hardline()});
        (void)show(group(d));
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(show(fillSep({text("a"), text("b")}) + line() + space() + comma() + softbreak()), expected);
  EXPECT_TRUE(softline().sharesNode());
  EXPECT_EQ(softline().node(), softline().node());
}

}  // namespace
}  // namespace quire::galley
