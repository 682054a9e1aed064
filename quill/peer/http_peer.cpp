// Real HTTP/1.1 clients read chunked bodies framed by chunkedTransferEncoding.
//
// Usage: quill_http_peer curl|python|node
//
// Serves, on 127.0.0.1 at a port the system picks, bodies made of random
// builders (copied and inserted byte strings, flush requests, writes of
// varied bounds) framed as chunks and terminated, sent buffer by buffer as
// toByteStringIOWith hands them over. The client fetches each body and must
// decode exactly the bytes the builder produced; a body without its
// terminator must make it fail. Exits 77 (skipped) when the client is not
// installed, 0 when every body matched, 1 otherwise.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "quill/quill.hpp"
#include "quill/quill_test_support.hpp"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using quire::Bytes;
using namespace quire::quill;

constexpr int kSkipped = 77;

// What the server sends for one path: the pieces of a framed body.
struct Served {
  std::vector<std::string> pieces;
  std::string expected;  // what a client must decode
  bool wellFormed = true;
};

std::optional<fs::path> findProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path != nullptr ? path : "");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    fs::path candidate = fs::path(dir.empty() ? "." : dir) / name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return std::nullopt;
}

std::vector<Served> makeBodies() {
  std::mt19937_64 rng(20);
  std::vector<Served> bodies;
  const std::size_t budgets[] = {0, 1, 700, 30000, 200000, 1200000};
  const std::int64_t bufSizes[] = {23, 100, 4096, 32752};
  for (std::size_t i = 0; i < std::size(budgets); ++i) {
    quire::quill::testing::Sample s = quire::quill::testing::randomSample(rng, budgets[i]);
    if (budgets[i] == 0) s = {};  // a body with no data at all
    Served body;
    body.expected = s.expected;
    toByteStringIOWith(
        bufSizes[i % std::size(bufSizes)],
        [&body](Bytes b) {
          if (!b.empty()) body.pieces.push_back(b.toString());
        },
        chunkedTransferEncoding(s.builder) + chunkedTransferTerminator());
    bodies.push_back(std::move(body));
  }
  // The negative control: the same kind of body without its terminator.
  quire::quill::testing::Sample s = quire::quill::testing::randomSample(rng, 5000);
  Served cut;
  cut.pieces.push_back(toByteString(chunkedTransferEncoding(s.builder)).toString());
  cut.wellFormed = false;
  bodies.push_back(std::move(cut));
  return bodies;
}

bool sendAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
    if (n <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Reads the request head and answers with the body its path names.
void serveOne(int fd, const std::vector<Served>& bodies) {
  std::string request;
  char buf[4096];
  while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 10000) <= 0) return;
    ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) return;
    request.append(buf, static_cast<std::size_t>(n));
  }
  std::size_t index = bodies.size();
  if (request.rfind("GET /", 0) == 0) index = std::strtoul(request.c_str() + 5, nullptr, 10);
  if (index >= bodies.size()) {
    sendAll(fd, "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    return;
  }
  sendAll(fd,
          "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
          "Transfer-Encoding: chunked\r\nConnection: close\r\n\r\n");
  for (const std::string& piece : bodies[index].pieces) {
    if (!sendAll(fd, piece)) return;
  }
}

class Server {
 public:
  explicit Server(const std::vector<Served>& bodies) : bodies_(bodies) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(fd_, 8) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
      throw std::runtime_error(std::string("cannot listen on 127.0.0.1: ") + std::strerror(errno));
    }
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { run(); });
  }
  ~Server() {
    stop_ = true;
    thread_.join();
    ::close(fd_);
  }
  [[nodiscard]] int port() const { return port_; }

 private:
  void run() {
    while (!stop_) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 100) <= 0) continue;
      int conn = ::accept(fd_, nullptr, nullptr);
      if (conn < 0) continue;
      serveOne(conn, bodies_);
      ::shutdown(conn, SHUT_WR);
      ::close(conn);
    }
  }

  const std::vector<Served>& bodies_;
  int fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

const char* const kPythonClient = R"(
import http.client, sys
port, path, out = int(sys.argv[1]), sys.argv[2], sys.argv[3]
try:
    c = http.client.HTTPConnection("127.0.0.1", port, timeout=30)
    c.request("GET", path)
    r = c.getresponse()
    if r.status != 200 or r.getheader("Transfer-Encoding") != "chunked":
        sys.exit(2)
    data = r.read()
except http.client.HTTPException as e:
    print(type(e).__name__, file=sys.stderr)
    sys.exit(3)
open(out, "wb").write(data)
)";

const char* const kNodeClient = R"(
const http = require('http'), fs = require('fs');
const [port, path, out] = process.argv.slice(1);
const req = http.get({host: '127.0.0.1', port: Number(port), path, timeout: 30000}, res => {
  const parts = [];
  res.on('data', d => parts.push(d));
  res.on('error', e => { console.error(e.message); process.exit(3); });
  res.on('end', () => {
    if (!res.complete || res.statusCode !== 200 ||
        res.headers['transfer-encoding'] !== 'chunked') process.exit(2);
    fs.writeFileSync(out, Buffer.concat(parts));
    process.exit(0);
  });
});
req.on('timeout', () => req.destroy(new Error('timeout')));
req.on('error', e => { console.error(e.message); process.exit(4); });
)";

// Runs argv and waits at most a minute; the exit status, or -1.
int runClient(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  if (::posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return -1;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  for (;;) {
    int status = 0;
    pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (r < 0) return -1;
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

std::vector<std::string> clientCommand(const std::string& client, const fs::path& program, int port,
                                       int index, const fs::path& out) {
  // Appended piece by piece: gcc 12 warns wrongly on "literal" + string here.
  std::string path = "/";
  path += std::to_string(index);
  std::string url = "http://127.0.0.1:";
  url += std::to_string(port);
  url += path;
  if (client == "curl") {
    return {program,      "-sS", "--fail", "--http1.1", "--noproxy", "*",
            "--max-time", "30",  "-o",     out,         url};
  }
  if (client == "python") return {program, "-c", kPythonClient, std::to_string(port), path, out};
  return {program, "-e", kNodeClient, std::to_string(port), path, out};
}

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: quill_http_peer curl|python|node\n";
    return 2;
  }
  std::string client = argv[1];
  std::string programName = client == "python" ? "python3" : client;
  std::optional<fs::path> program = findProgram(programName);
  if (!program) {
    std::cout << "SKIP: " << programName << " is not installed\n";
    return kSkipped;
  }
  std::vector<Served> bodies = makeBodies();
  for (const Served& b : bodies) {
    std::string all;
    for (const std::string& p : b.pieces) all += p;
    auto decoded = quire::quill::testing::decodeChunked(all);
    if (b.wellFormed && (!decoded || decoded->data != b.expected)) {
      std::cerr << "the framed body does not decode locally\n";
      return 1;
    }
  }
  char tmpl[] = "/tmp/quill_http_peer_XXXXXX";
  if (::mkdtemp(tmpl) == nullptr) return 1;
  fs::path dir = tmpl;
  int failures = 0;
  {
    Server server(bodies);
    for (std::size_t i = 0; i < bodies.size(); ++i) {
      fs::path out = dir / ("body" + std::to_string(i));
      int status =
          runClient(clientCommand(client, *program, server.port(), static_cast<int>(i), out));
      const Served& b = bodies[i];
      if (!b.wellFormed) {
        bool rejected = status != 0;
        std::cout << client << " /" << i << ": body without terminator "
                  << (rejected ? "rejected" : "ACCEPTED") << "\n";
        failures += rejected ? 0 : 1;
        continue;
      }
      std::string got = status == 0 ? readFile(out) : std::string();
      bool same = status == 0 && got == b.expected;
      std::cout << client << " /" << i << ": " << b.expected.size() << " bytes in "
                << b.pieces.size() << " sends, " << (same ? "decoded exactly" : "MISMATCH")
                << " (exit " << status << ", " << got.size() << " bytes)\n";
      failures += same ? 0 : 1;
    }
  }
  fs::remove_all(dir);
  return failures == 0 ? 0 : 1;
}
