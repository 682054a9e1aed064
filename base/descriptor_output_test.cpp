// The descriptor output writes everything it is given, and a write that
// fails is an error naming the output, never a silent loss.
#include "base/descriptor_output.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

namespace {

std::string drain(int fd) {
  std::string got;
  char chunk[4096];
  for (ssize_t n; (n = ::read(fd, chunk, sizeof chunk)) > 0;) got.append(chunk, static_cast<std::size_t>(n));
  return got;
}

TEST(DescriptorOutput, WritesPiecesLargeAndSmallInOrder) {
  const std::string path = ::testing::TempDir() + "quire-descriptor-output";
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(fd, 0);
  const std::string large(quire::DescriptorOutput::flushAt + 5, 'x');
  {
    quire::DescriptorOutput out(fd);
    out.append("a");
    char* p = out.reserve(2);
    *p++ = 'b';
    out.commit(p);
    out.append(large);  // straight through, after what is buffered
    out.append("c");
    out.flush();
  }
  ASSERT_EQ(::lseek(fd, 0, SEEK_SET), 0);
  EXPECT_EQ(drain(fd), "ab" + large + "c");
  ::close(fd);
}

TEST(DescriptorOutput, UnwritableDescriptorsAreErrors) {
  const int readOnly = ::open("/dev/null", O_RDONLY);
  EXPECT_THROW(quire::DescriptorOutput::checkWritable(readOnly, "the list"), quire::OutputError);
  ::close(readOnly);
  EXPECT_THROW(quire::DescriptorOutput::checkWritable(-1), quire::OutputError);
  const int full = ::open("/dev/full", O_WRONLY);
  if (full < 0) GTEST_SKIP() << "no /dev/full";
  quire::DescriptorOutput out(full, "the list");
  out.append("lost");
  try {
    out.flush();
    ADD_FAILURE() << "a write to a full device passed";
  } catch (const quire::OutputError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("cannot write the list: ", 0), 0u) << e.what();
  }
  ::close(full);
}

}  // namespace
