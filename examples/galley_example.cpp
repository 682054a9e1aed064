// galley: a coloured, aligned record layout that adapts to the page width.
#include <iostream>
#include <string>
#include <vector>

#include "galley/galley.hpp"

using namespace quire::galley;

struct Field {
  std::string key;
  Doc value;
};

// name { key = value, ... } on one line when it fits, otherwise one field a
// line with the keys padded to a common column.
Doc record(const std::string& name, const std::vector<Field>& fields) {
  std::vector<Doc> items;
  for (const Field& f : fields) items.push_back(fill(8, blue(text(f.key))) + text("= ") + f.value);
  return group(bold(text(name)) + text(" {") + nest(2, line() + vsep(punctuate(comma(), items))) + line() +
               text("}"));
}

int main() {
  Doc doc = record("server", {{"host", dquotes(text("example.org"))},
                              {"port", int_(8080)},
                              {"tags", list({text("web"), text("primary")})},
                              {"ratio", double_(0.75)}});
  // Wide enough: one line. Narrow: the broken, aligned form.
  std::cout << displayS(renderPretty(1.0f, 120, plain(doc))) << "\n\n";
  std::cout << displayS(renderPretty(1.0f, 40, plain(doc))) << "\n\n";
  // With colours, exactly as putDoc would print it.
  hPutDoc(std::cout, doc);
  std::cout << "\n";
  return displayS(renderPretty(1.0f, 40, plain(doc))) ==
                 "server {\n  host    = \"example.org\",\n  port    = 8080,\n  tags    = [web,primary],\n"
                 "  ratio   = 0.75\n}"
             ? 0
             : 1;
}
