// quire-stowage-gen: writes the header/source pair behind each embedding
// function of QuireStowage.cmake, and a depfile naming every file and
// directory it read, so that the build reruns it when one of them changes.
//
//   quire-stowage-gen KIND --name N --namespace NS --include embedded/N.hpp
//       --header H --source S --data-source B --depfile D [--suffix X] [--] ARGS...
//
// KIND is file, file-if-exists, one-file-of, string-file, one-string-file-of,
// dir, dir-listing or dummy-space (ARGS: the capacity).
//
// Files larger than a few kilobytes are not spelled out as literals: the
// data source B pulls them in with the assembler's .incbin, so compiling it
// costs about as much as copying the file. B includes no header and records
// the size and modification time of every file, so that touching one changes
// B and reassembles exactly that object; the header and the source S stay
// the same and nothing that includes the header rebuilds.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <fcntl.h>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "base/bytes.hpp"
#include "base/error.hpp"
#include "base/hash.hpp"
#include "stowage/area.hpp"
#include "stowage/codegen.hpp"
#include "stowage/embed.hpp"
#include "stowage/internal/files.hpp"

namespace {

namespace fs = std::filesystem;
namespace st = quire::stowage;

// Files up to this size become literals; larger ones are assembled in.
constexpr std::uintmax_t literalLimit = 4096;

struct Options {
  std::string kind, name, ns, include, header, source, dataSource, depfile, suffix;
  bool hasSuffix = false;
  std::vector<std::string> args;
};

Options parseOptions(int argc, char** argv) {
  if (argc < 2) quire::throwError("usage: quire-stowage-gen KIND --name N ... [--] ARGS...");
  Options o;
  o.kind = argv[1];
  std::map<std::string, std::string*> named = {
      {"--name", &o.name},       {"--namespace", &o.ns},  {"--include", &o.include},
      {"--header", &o.header},   {"--source", &o.source}, {"--data-source", &o.dataSource},
      {"--depfile", &o.depfile},
      {"--suffix", &o.suffix}};
  int i = 2;
  for (; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--") {
      ++i;
      break;
    }
    auto it = named.find(arg);
    if (it == named.end()) break;
    if (i + 1 == argc) quire::throwError("missing value after " + arg);
    *it->second = argv[++i];
    if (arg == "--suffix") o.hasSuffix = true;
  }
  for (; i < argc; ++i) o.args.emplace_back(argv[i]);
  if (o.name.empty() || o.header.empty() || o.source.empty() || o.dataSource.empty() ||
      o.depfile.empty() || o.include.empty()) {
    quire::throwError("--name, --include, --header, --source, --data-source and --depfile are required");
  }
  if (o.ns.empty()) o.ns = "embedded";
  return o;
}

// Writes path only when its contents change, so that an unchanged output
// keeps its time stamp and the build does not redo what depends on it.
void writeIfChanged(const fs::path& path, const std::string& text) {
  std::error_code ec;
  if (fs::exists(path, ec)) {
    try {
      if (st::detail::readWholeFile(path) == text) return;
    } catch (const fs::filesystem_error&) {
    }
  }
  fs::create_directories(fs::absolute(path).parent_path());
  st::detail::replaceFile(path, text, 0644);
}

// A path as make and ninja read it in a depfile.
std::string depfileEscape(const std::string& path) {
  std::string out;
  for (char c : path) {
    if (c == ' ' || c == '#' || c == '\\') out.push_back('\\');
    if (c == '$') out.push_back('$');
    out.push_back(c);
  }
  return out;
}

// A string for the assembler: quotes and backslashes escaped, control bytes
// in octal.
std::string asmString(std::string_view s) {
  std::string out = "\"";
  for (char c : s) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(c);
    } else if (byte < 0x20 || byte >= 0x7F) {
      char buf[5];
      std::snprintf(buf, sizeof buf, "\\%03o", byte);
      out.append(buf);
    } else {
      out.push_back(c);
    }
  }
  out.push_back('"');
  return out;
}

// Fails with the platform's error now rather than in the assembler later.
void checkReadable(const fs::path& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) st::detail::throwFileError("open", path);
  ::close(fd);
}

// The code of one generated pair: what the source needs at file scope
// (assembler blocks, symbol declarations) and the definitions.
class Generator {
 public:
  explicit Generator(const Options& o) : o_(o) {
    std::uint64_t h = quire::hash::mixBytes(quire::hash::defaultSalt, fs::absolute(o.header).string());
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h));
    symbol_ = "quire_stowage_" + o.name + "_" + hex;
  }

  // A file as a byte-string expression: a literal when small, otherwise
  // assembled in. Reads (or at least opens) the file, so a missing or
  // unreadable one fails here with the platform's error.
  std::string fileExpr(const fs::path& path, bool asText) {
    registerFile(path);
    const std::string wrap = asText ? "quire::Text::fromStatic(" : "quire::Bytes::fromStatic(";
    std::optional<std::string> bytes;
    if (asText || fs::file_size(path) <= literalLimit) bytes = st::detail::readWholeFile(path);
    if (asText && !quire::isValidUtf8(*bytes)) quire::throwError(path.string() + ": not valid UTF-8 text");
    if (bytes && bytes->size() <= literalLimit) {
      if (bytes->empty()) return asText ? "quire::Text()" : "quire::Bytes()";
      return wrap + st::strToExp(*bytes) + ")";
    }
    if (!bytes) checkReadable(path);
    return wrap + incbin(path) + ")";
  }

  void registerFile(const fs::path& path) {
    fs::path absolute = fs::absolute(path);
    deps_.push_back(absolute.string());
    struct stat s {};
    if (::stat(absolute.c_str(), &s) == 0) {
      fingerprint_ += "// input " + absolute.string() + ": " + std::to_string(s.st_size) +
                      " bytes, modified " + std::to_string(s.st_mtim.tv_sec) + "." +
                      std::to_string(s.st_mtim.tv_nsec) + "\n";
    }
  }
  void registerDirectory(const fs::path& path) { deps_.push_back(fs::absolute(path).string()); }

  // The directory holding path, when it exists, so that creating the file
  // later changes that directory and reruns the generator.
  void registerParentOf(const fs::path& path) {
    fs::path parent = fs::absolute(path).parent_path();
    std::error_code ec;
    if (fs::is_directory(parent, ec)) registerDirectory(parent);
  }

  // Assembler text reserving a fresh dummy area.
  std::string dummySpace(std::string_view suffix, std::uint64_t capacity) {
    const std::string marker = st::markerFor(suffix);
    const std::string sym = symbol_;
    // The "R" flag keeps the area even when a linker collects unused
    // sections; the marker makes the bytes differ from every other area.
    asm_ += ".pushsection .rodata.quire_stowage." + sym + ",\"aR\",%progbits\n" + declare(sym) +
            sym + ":\n.ascii " + asmString(marker) + "\n.ascii " +
            asmString(st::padSizeField(static_cast<std::int64_t>(capacity))) + "\n.fill " +
            std::to_string(capacity) + ", 1, 0x30\n.size " + sym + ", .-" + sym + "\n.popsection\n";
    externs_ += "extern \"C\" __attribute__((visibility(\"hidden\"))) const char " + sym + "[];\n";
    sourceIncludes_ += "#include \"stowage/area.hpp\"\n";
    return "quire::stowage::getInner(quire::Bytes::fromStatic(std::string_view(" + sym + " + " +
           std::to_string(marker.size()) + ", " + std::to_string(st::sizeFieldLength + capacity) +
           ")))";
  }

  void write(const std::string& headerIncludes, const std::string& declaration,
             const std::string& definition, const std::string& what) {
    std::string open = "namespace " + o_.ns + " {\n\n";
    std::string close = "\n}  // namespace " + o_.ns + "\n";
    std::string header = "// Generated by quire-stowage-gen: " + what + ". Do not edit.\n#pragma once\n\n" +
                         headerIncludes + "\n" + open + declaration + close;
    std::string source = "// Generated by quire-stowage-gen: " + what + ". Do not edit.\n#include \"" +
                         o_.include + "\"\n" + sourceIncludes_ + "\n" + externs_ +
                         (externs_.empty() ? "" : "\n") + open + definition + close;
    // The bytes live in a unit of their own, which includes nothing: a
    // changed file reassembles just that, in about the time of a copy.
    std::string data = "// Generated by quire-stowage-gen: the bytes of " + what + ". Do not edit.\n" +
                       fingerprint_;
    if (!asm_.empty()) data += "__asm__(" + st::cppStringLiteral(asm_) + ");\n";
    writeIfChanged(o_.header, header);
    writeIfChanged(o_.source, source);
    writeIfChanged(o_.dataSource, data);
    // The generator itself is always named: a depfile without inputs is
    // dropped on its way to ninja, which then reruns the step every time.
    std::string dep = depfileEscape(fs::absolute(o_.header).string()) + ": " +
                      depfileEscape(fs::read_symlink("/proc/self/exe").string());
    for (const std::string& d : deps_) dep += " \\\n  " + depfileEscape(d);
    fs::create_directories(fs::absolute(o_.depfile).parent_path());
    st::detail::replaceFile(o_.depfile, dep + "\n", 0644);
  }

 private:
  static std::string declare(const std::string& sym) {
    return ".globl " + sym + "\n.hidden " + sym + "\n.type " + sym + ", %object\n";
  }

  std::string incbin(const fs::path& path) {
    const std::string sym = symbol_ + "_" + std::to_string(blocks_++);
    asm_ += ".pushsection .rodata.quire_stowage." + sym + ",\"a\",%progbits\n.balign 16\n" + declare(sym) +
            sym + ":\n.incbin " + asmString(fs::absolute(path).string()) + "\n.L" + sym +
            "_end:\n.byte 0\n.size " + sym + ", .-" + sym + "\n.balign 8\n" + declare(sym + "_size") +
            sym + "_size:\n.quad .L" + sym + "_end - " + sym + "\n.popsection\n";
    externs_ += "extern \"C\" __attribute__((visibility(\"hidden\"))) const char " + sym +
                "[];\nextern \"C\" __attribute__((visibility(\"hidden\"))) const unsigned long long " +
                sym + "_size;\n";
    return "std::string_view(" + sym + ", static_cast<std::size_t>(" + sym + "_size))";
  }

  const Options& o_;
  std::string symbol_;
  std::string asm_, externs_, fingerprint_, sourceIncludes_;
  std::vector<std::string> deps_;
  int blocks_ = 0;
};

bool missing(const fs::path& path) {
  struct stat s {};
  return ::stat(path.c_str(), &s) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

bool isRegularFile(const fs::path& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

const std::string bytesInclude = "#include \"base/bytes.hpp\"\n";

void generate(const Options& o) {
  Generator g(o);
  const std::string& n = o.name;
  auto needArgs = [&](std::size_t count) {
    if (o.args.size() < count) quire::throwError(o.kind + ": needs " + std::to_string(count) + " argument(s)");
  };
  if (o.kind == "file" || o.kind == "string-file") {
    needArgs(1);
    const bool text = o.kind == "string-file";
    const std::string type = text ? "quire::Text" : "quire::Bytes";
    std::string e = g.fileExpr(o.args[0], text);
    g.write(bytesInclude, "// The contents of " + o.args[0] + ".\n[[nodiscard]] " + type + " " + n + "() noexcept;\n",
            type + " " + n + "() noexcept { return " + e + "; }\n", "contents of " + o.args[0]);
  } else if (o.kind == "file-if-exists") {
    needArgs(1);
    std::string e = "std::nullopt";
    if (missing(o.args[0])) {
      g.registerParentOf(o.args[0]);
    } else {
      e = g.fileExpr(o.args[0], false);
    }
    g.write(bytesInclude + "#include <optional>\n",
            "// The contents of " + o.args[0] + ", or nullopt when it did not exist.\n"
            "[[nodiscard]] std::optional<quire::Bytes> " + n + "() noexcept;\n",
            "std::optional<quire::Bytes> " + n + "() noexcept { return " + e + "; }\n",
            "contents of " + o.args[0] + " if it exists");
  } else if (o.kind == "one-file-of" || o.kind == "one-string-file-of") {
    needArgs(1);
    const bool text = o.kind == "one-string-file-of";
    const std::string type = text ? "quire::Text" : "quire::Bytes";
    std::optional<std::string> e;
    for (const std::string& candidate : o.args) {
      if (isRegularFile(candidate)) {
        e = g.fileExpr(candidate, text);
        break;
      }
      g.registerParentOf(candidate);
    }
    if (!e) quire::throwError("Cannot find file to embed as resource");
    g.write(bytesInclude, "// The contents of the first existing file of a list.\n[[nodiscard]] " + type + " " +
                              n + "() noexcept;\n",
            type + " " + n + "() noexcept { return " + *e + "; }\n", "first existing file of a list");
  } else if (o.kind == "dir" || o.kind == "dir-listing") {
    needArgs(1);
    const bool listing = o.kind == "dir-listing";
    st::Tree tree = st::walkTree(o.args[0]);
    for (const fs::path& d : tree.directories) g.registerDirectory(d);
    std::string items;
    for (const st::TreeFile& f : tree.files) {
      items += listing ? "      std::string(" + st::strToExp(f.relative) + "),\n"
                       : "      {std::string(" + st::strToExp(f.relative) + "), " + g.fileExpr(f.real, false) + "},\n";
    }
    const std::string type = listing ? "std::vector<std::string>" : "quire::stowage::DirContents";
    g.write(listing ? "#include <string>\n#include <vector>\n" : "#include \"stowage/embed.hpp\"\n",
            "// The files under " + o.args[0] + (listing ? ", by relative path" : " with their contents") +
                ", sorted by relative path.\n[[nodiscard]] const " + type + "& " + n + "();\n",
            "const " + type + "& " + n + "() {\n  static const " + type + " value{\n" + items +
                "  };\n  return value;\n}\n",
            (listing ? "listing of " : "tree under ") + o.args[0]);
  } else if (o.kind == "dummy-space") {
    needArgs(1);
    const std::string& text = o.args[0];
    if (text.empty() || text.size() > 15 || text.find_first_not_of("0123456789") != std::string::npos) {
      quire::throwError("dummy-space: capacity must be a decimal number of bytes, not \"" + text + "\"");
    }
    std::string e = g.dummySpace(o.hasSuffix ? o.suffix : st::defaultSuffix, std::stoull(text));
    g.write(bytesInclude,
            "// The payload injected into this dummy space (capacity " + text +
                " bytes), or " + text + " '0' bytes before any injection.\n[[nodiscard]] quire::Bytes " + n + "();\n",
            "quire::Bytes " + n + "() {\n  // The area is rewritten in the built file, so it is read through a\n"
            "  // symbol whose contents the compiler cannot know.\n  return " + e + ";\n}\n",
            "dummy space of " + text + " bytes");
  } else {
    quire::throwError("unknown kind " + o.kind);
  }
}

}  // namespace

int main(int argc, char** argv) {
  try {
    generate(parseOptions(argc, argv));
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "quire-stowage-gen: " << e.what() << '\n';
    return 1;
  }
}
