#include "stowage/internal/files.hpp"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace quire::stowage::detail {

namespace fs = std::filesystem;

void throwFileError(const char* what, const fs::path& path) {
  throw fs::filesystem_error(what, path, std::error_code(errno, std::system_category()));
}

namespace {

// Closes a descriptor on every way out of a scope.
class Descriptor {
 public:
  explicit Descriptor(int fd) noexcept : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  [[nodiscard]] int get() const noexcept { return fd_; }
  // Closes now, reporting the failure that a deferred close would swallow.
  [[nodiscard]] bool close() noexcept { return ::close(std::exchange(fd_, -1)) == 0; }

 private:
  int fd_;
};

void writeAll(int fd, std::string_view bytes, const fs::path& path) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      throwFileError("write", path);
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

// The file that writing to path would change: path itself, or the final
// target of a chain of symbolic links.
fs::path resolveLinks(const fs::path& path) {
  std::error_code ec;
  if (!fs::is_symlink(fs::symlink_status(path, ec))) return path;
  fs::path target = fs::weakly_canonical(path, ec);
  return ec ? path : target;
}

}  // namespace

mode_t currentUmask() noexcept {
  // Setting and restoring the mask would race with other threads creating
  // files, so ask the kernel's process status instead.
  if (FILE* status = std::fopen("/proc/self/status", "re")) {
    char line[256];
    unsigned mask = 022;
    while (std::fgets(line, sizeof line, status) != nullptr) {
      if (std::sscanf(line, "Umask: %o", &mask) == 1) break;
    }
    std::fclose(status);
    return static_cast<mode_t>(mask);
  }
  return 022;
}

std::string readWholeFile(const fs::path& path) {
  Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) throwFileError("open", path);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) throwFileError("stat", path);
  if (S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    throwFileError("read", path);
  }
  std::string bytes;
  // The size is only a hint: the file may grow or shrink while it is read.
  bytes.resize(S_ISREG(st.st_mode) ? static_cast<std::size_t>(st.st_size) + 1 : 65536);
  std::size_t used = 0;
  for (;;) {
    if (used == bytes.size()) bytes.resize(bytes.size() * 2);
    ssize_t n = ::read(fd.get(), bytes.data() + used, bytes.size() - used);
    if (n < 0) {
      if (errno == EINTR) continue;
      throwFileError("read", path);
    }
    if (n == 0) break;
    used += static_cast<std::size_t>(n);
  }
  bytes.resize(used);
  return bytes;
}

void replaceFile(const fs::path& destination, std::string_view bytes, mode_t newFileMode) {
  const fs::path target = resolveLinks(destination);
  fs::path dir = target.parent_path();
  if (dir.empty()) dir = ".";

  mode_t mode = newFileMode;
  struct stat st {};
  const bool existed = ::stat(target.c_str(), &st) == 0;
  if (existed) mode = st.st_mode & 07777;

  std::string name = ".";
  name.append(target.filename().string());
  name.append(".tmp-XXXXXX");
  std::string temp = (dir / name).string();
  Descriptor fd(::mkostemp(temp.data(), O_CLOEXEC));
  if (fd.get() < 0) throwFileError("create temporary file", temp);
  try {
    writeAll(fd.get(), bytes, temp);
    if (::fchmod(fd.get(), mode) != 0) throwFileError("chmod", temp);
    if (existed && ::geteuid() == 0) {
      // Only a privileged caller can hand the file back to its owner.
      [[maybe_unused]] int ignored = ::fchown(fd.get(), st.st_uid, st.st_gid);
    }
    if (::fsync(fd.get()) != 0) throwFileError("fsync", temp);
    if (!fd.close()) throwFileError("close", temp);
    if (::rename(temp.c_str(), target.c_str()) != 0) throwFileError("rename", target);
  } catch (...) {
    ::unlink(temp.c_str());
    throw;
  }
  // Make the rename itself durable; failing here loses nothing already written.
  Descriptor dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dirFd.get() >= 0) ::fsync(dirFd.get());
}

}  // namespace quire::stowage::detail
