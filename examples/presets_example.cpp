// Starting values with quire::presets: a configuration record takes its
// default from its fields, and the caller changes only what it needs.
#include <cstdlib>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include <presets/presets.hpp>
#include <presets/structural.hpp>
#include <presets/wrappers.hpp>

namespace ps = quire::presets;

struct Retry {
  int attempts;
  ps::Product<double> backoff;  // a factor: its default is 1
};

struct ServerConfig {
  std::string name;
  std::vector<std::string> hosts;
  std::optional<int> port;
  Retry retry;
  std::function<std::optional<std::string>(const std::string&)> rewrite;  // none by default
};

template <>
struct ps::Default<Retry> : ps::Structural<Retry> {};
template <>
struct ps::Default<ServerConfig> : ps::Structural<ServerConfig> {};

int main() {
  ServerConfig config = ps::def<ServerConfig>();
  config.name = "edge";
  config.hosts.push_back("a.example");

  std::cout << config.name << ": " << config.hosts.size() << " host(s), port "
            << (config.port ? std::to_string(*config.port) : "unset") << ", "
            << config.retry.attempts << " retries, backoff x" << config.retry.backoff.value
            << ", rewrites: " << (config.rewrite("x") ? "yes" : "no") << '\n';

  bool ok = !config.port && config.retry.attempts == 0 && config.retry.backoff.value == 1.0 &&
            !config.rewrite("x") && ps::def<std::pair<int, std::vector<int>>>().second.empty();
  if (!ok) std::cerr << "presets_example: unexpected result\n";
  return ok ? EXIT_SUCCESS : EXIT_FAILURE;
}
