// Combinators built from the primitives.
#include "galley/combinators.hpp"

#include <array>
#include <type_traits>

#include "galley/internal/node.hpp"

namespace quire::galley {

Doc lparen() { return node::Char(U'('); }
Doc rparen() { return node::Char(U')'); }
Doc langle() { return node::Char(U'<'); }
Doc rangle() { return node::Char(U'>'); }
Doc lbrace() { return node::Char(U'{'); }
Doc rbrace() { return node::Char(U'}'); }
Doc lbracket() { return node::Char(U'['); }
Doc rbracket() { return node::Char(U']'); }
Doc squote() { return node::Char(U'\''); }
Doc dquote() { return node::Char(U'"'); }
Doc semi() { return node::Char(U';'); }
Doc colon() { return node::Char(U':'); }
Doc comma() { return node::Char(U','); }
Doc dot() { return node::Char(U'.'); }
Doc backslash() { return node::Char(U'\\'); }
Doc equals() { return node::Char(U'='); }

namespace {
template <class T>
Doc shortestText(T value) {
  std::array<char, 64> buffer;
  auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  (void)ec;  // 64 characters hold any int64, float or double
  return text(std::string_view(buffer.data(), static_cast<std::size_t>(end - buffer.data())));
}
}  // namespace

Doc int_(std::int64_t n) { return shortestText(n); }
Doc float_(float x) { return shortestText(x); }
Doc double_(double x) { return shortestText(x); }
Doc bool_(bool b) { return text(b ? "True" : "False"); }

Doc rationalText(std::string numerator, std::string denominator) {
  if (!numerator.empty() && numerator.front() == '-') numerator = "(" + numerator + ")";
  return text(numerator + " % " + denominator);
}

Doc beside(const Doc& x, const Doc& y) { return x + y; }
Doc besideSpace(const Doc& x, const Doc& y) { return x + (space() + y); }
Doc softAbove(const Doc& x, const Doc& y) { return x + (softline() + y); }
Doc softAboveBreak(const Doc& x, const Doc& y) { return x + (softbreak() + y); }
Doc above(const Doc& x, const Doc& y) { return x + (line() + y); }
Doc aboveBreak(const Doc& x, const Doc& y) { return x + (linebreak() + y); }

namespace {
// The elements of a list, copied from one the caller keeps or moved from
// one of this file's own lists.
template <class List>
Doc element(List& ds, std::size_t i) {
  if constexpr (std::is_const_v<List>) {
    return ds[i];
  } else {
    return std::move(ds[i]);
  }
}

// fold with x <> (separator <> y), each concatenation made from moved
// values: every element and the separator are counted once more (an
// element of a list that is used up not even that), nothing else is copied or
// released on the way.
template <class List>
Doc foldAround(const Doc& separator, List& ds) {
  if (ds.empty()) return Doc();
  Doc acc = element(ds, ds.size() - 1);
  for (std::size_t i = ds.size() - 1; i-- > 0;) {
    if constexpr (std::is_const_v<List>) {
      acc = detail::makeSeparated(ds[i], separator, std::move(acc));
    } else {
      acc = detail::makeCat(std::move(ds[i]), detail::makeCat(separator, std::move(acc)));
    }
  }
  return acc;
}

template <class List>
Doc foldBeside(List& ds) {
  if (ds.empty()) return Doc();
  Doc acc = element(ds, ds.size() - 1);
  for (std::size_t i = ds.size() - 1; i-- > 0;) acc = detail::makeCat(element(ds, i), std::move(acc));
  return acc;
}
}  // namespace

Doc hsep(const std::vector<Doc>& ds) { return foldAround(space(), ds); }
Doc vsep(const std::vector<Doc>& ds) { return foldAround(line(), ds); }
Doc fillSep(const std::vector<Doc>& ds) { return foldAround(softline(), ds); }
// An empty list gives Empty, like the other folds, rather than a group of it.
Doc sep(const std::vector<Doc>& ds) { return ds.empty() ? Doc() : group(vsep(ds)); }
Doc hcat(const std::vector<Doc>& ds) { return foldBeside(ds); }
Doc vcat(const std::vector<Doc>& ds) { return foldAround(linebreak(), ds); }
Doc fillCat(const std::vector<Doc>& ds) { return foldAround(softbreak(), ds); }
Doc cat(const std::vector<Doc>& ds) { return ds.empty() ? Doc() : group(vcat(ds)); }

Doc repeated(std::int64_t n, const Doc& d) {
  Doc result;
  bool any = false;
  Doc power = d;  // d repeated 2^j times
  for (; n > 0; n >>= 1) {
    if ((n & 1) != 0) {
      result = any ? power + result : power;
      any = true;
    }
    if (n > 1) power = power + power;
  }
  return result;
}

std::vector<Doc> punctuate(const Doc& p, std::vector<Doc> ds) {
  for (std::size_t i = 0; i + 1 < ds.size(); ++i) ds[i] = detail::makeCat(std::move(ds[i]), p);
  return ds;
}

Doc enclose(const Doc& l, const Doc& r, const Doc& x) { return l + (x + r); }

Doc encloseSep(const Doc& l, const Doc& r, const Doc& s, const std::vector<Doc>& ds) {
  if (ds.empty()) return l + r;
  if (ds.size() == 1) return l + (ds.front() + r);
  std::vector<Doc> items;
  items.reserve(ds.size());
  items.push_back(l + ds.front());
  for (std::size_t i = 1; i < ds.size(); ++i) items.push_back(s + ds[i]);
  return align(group(foldAround(linebreak(), items)) + r);  // cat, using up items
}

Doc list(const std::vector<Doc>& ds) { return encloseSep(lbracket(), rbracket(), comma(), ds); }
Doc tupled(const std::vector<Doc>& ds) { return encloseSep(lparen(), rparen(), comma(), ds); }
Doc semiBraces(const std::vector<Doc>& ds) { return encloseSep(lbrace(), rbrace(), semi(), ds); }
Doc squotes(const Doc& x) { return enclose(squote(), squote(), x); }
Doc dquotes(const Doc& x) { return enclose(dquote(), dquote(), x); }
Doc parens(const Doc& x) { return enclose(lparen(), rparen(), x); }
Doc angles(const Doc& x) { return enclose(langle(), rangle(), x); }
Doc braces(const Doc& x) { return enclose(lbrace(), rbrace(), x); }
Doc brackets(const Doc& x) { return enclose(lbracket(), rbracket(), x); }

Doc color(Color c, Doc x) {
  return node::Color(ConsoleLayer::Foreground, ColorIntensity::Vivid, c, std::move(x));
}
Doc dullcolor(Color c, Doc x) {
  return node::Color(ConsoleLayer::Foreground, ColorIntensity::Dull, c, std::move(x));
}
Doc oncolor(Color c, Doc x) {
  return node::Color(ConsoleLayer::Background, ColorIntensity::Vivid, c, std::move(x));
}
Doc ondullcolor(Color c, Doc x) {
  return node::Color(ConsoleLayer::Background, ColorIntensity::Dull, c, std::move(x));
}

std::pair<DocFunction, DocFunction> colorFunctions(Color c) {
  return {[c](Doc x) { return color(c, std::move(x)); }, [c](Doc x) { return dullcolor(c, std::move(x)); }};
}
std::pair<DocFunction, DocFunction> oncolorFunctions(Color c) {
  return {[c](Doc x) { return oncolor(c, std::move(x)); }, [c](Doc x) { return ondullcolor(c, std::move(x)); }};
}

Doc bold(Doc x) { return node::Intensify(ConsoleIntensity::BoldIntensity, std::move(x)); }
Doc debold(Doc x) { return node::Intensify(ConsoleIntensity::NormalIntensity, std::move(x)); }
Doc underline(Doc x) { return node::Underline(Underlining::SingleUnderline, std::move(x)); }
Doc deunderline(Doc x) { return node::Underline(Underlining::NoUnderline, std::move(x)); }
Doc plain(const Doc& x) { return detail::plainDoc(x); }

}  // namespace quire::galley
