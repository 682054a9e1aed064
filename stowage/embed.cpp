#include "stowage/embed.hpp"

#include <algorithm>
#include <set>
#include <sys/stat.h>

#include "base/error.hpp"
#include "stowage/internal/files.hpp"

namespace quire::stowage {

namespace fs = std::filesystem;

namespace {

struct Dir {
  std::string relative;
  fs::path real;
};

using Identity = std::pair<dev_t, ino_t>;

// Lists directories iteratively (no recursion, however deep the tree) and
// remembers each directory's identity so that none is listed twice.
class Walker {
 public:
  explicit Walker(const fs::path& root) {
    struct stat st {};
    if (::stat(root.c_str(), &st) != 0) detail::throwFileError("stat", root);
    seen_.insert({st.st_dev, st.st_ino});
    plain_.push_back({"", root});
  }

  Tree run() {
    for (;;) {
      if (!plain_.empty()) {
        Dir d = std::move(plain_.back());
        plain_.pop_back();
        list(d);
      } else if (!linked_.empty()) {
        auto first = linked_.begin();
        Dir d{first->first, first->second};
        linked_.erase(first);
        struct stat st {};
        if (::stat(d.real.c_str(), &st) == 0 && seen_.insert({st.st_dev, st.st_ino}).second) list(d);
      } else {
        break;
      }
    }
    std::sort(tree_.files.begin(), tree_.files.end(),
              [](const TreeFile& a, const TreeFile& b) { return a.relative < b.relative; });
    return std::move(tree_);
  }

 private:
  void list(const Dir& dir) {
    tree_.directories.push_back(dir.real);
    for (const fs::directory_entry& entry : fs::directory_iterator(dir.real)) {
      std::string name = entry.path().filename().string();
      if (name.empty() || name.front() == '.') continue;
      std::string relative = dir.relative.empty() ? name : dir.relative + "/" + name;
      fs::path real = dir.real / name;
      struct stat st {};
      if (::stat(real.c_str(), &st) != 0) continue;  // a dangling link, for one
      if (S_ISREG(st.st_mode)) {
        tree_.files.push_back({std::move(relative), std::move(real)});
      } else if (S_ISDIR(st.st_mode)) {
        struct stat own {};
        const bool isLink = ::lstat(real.c_str(), &own) == 0 && S_ISLNK(own.st_mode);
        if (isLink) {
          linked_.emplace(std::move(relative), std::move(real));
        } else if (seen_.insert({st.st_dev, st.st_ino}).second) {
          plain_.push_back({std::move(relative), std::move(real)});
        }
      }
    }
  }

  std::set<Identity> seen_;
  std::vector<Dir> plain_;
  // Linked directories wait until no plain one is left, smallest path first.
  std::set<std::pair<std::string, fs::path>> linked_;
  Tree tree_;
};

bool hasProjectExtension(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  return dot != std::string_view::npos && name.substr(dot) == ".projdesc";
}

}  // namespace

Tree walkTree(const fs::path& root) { return Walker(root).run(); }

DirContents getDir(const fs::path& root) {
  DirContents out;
  for (TreeFile& f : walkTree(root).files) {
    out.emplace_back(std::move(f.relative), Bytes(detail::readWholeFile(f.real)));
  }
  return out;
}

Bytes stringToBs(std::u32string_view text) {
  std::string bytes(text.size(), '\0');
  std::transform(text.begin(), text.end(), bytes.begin(),
                 [](char32_t c) { return static_cast<char>(static_cast<unsigned char>(c & 0xFF)); });
  return Bytes(std::move(bytes));
}

std::string makeRelativeToLocationPredicateFrom(const fs::path& sourceFile,
                                                const std::function<bool(std::string_view)>& isMarker,
                                                std::string_view relative) {
  const fs::path canonical = fs::canonical(sourceFile);
  for (fs::path x = canonical;;) {
    fs::path d = x.parent_path();
    if (d == x) break;
    for (const fs::directory_entry& entry : fs::directory_iterator(d)) {
      if (isMarker(entry.path().filename().string())) {
        std::string out = d.string();
        if (out.empty() || out.back() != '/') out.push_back('/');
        out.append(relative);
        return out;
      }
    }
    x = std::move(d);
  }
  throwError("Could not find .projdesc file for path: " + canonical.string());
}

std::string makeRelativeToProjectFrom(const fs::path& sourceFile, std::string_view relative) {
  return makeRelativeToLocationPredicateFrom(sourceFile, hasProjectExtension, relative);
}

}  // namespace quire::stowage
