#include "reporting/expression.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>

#include <fmt/format.h>

#include "platform/rtl/datetime.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"

namespace zpk {
namespace detail {

enum class Op { Literal, Name, Neg, Not, Add, Sub, Mul, Div, Eq, Ne, Lt, Le, Gt, Ge, And, Or, Call, Total };

struct ExprNode {
  Op op = Op::Literal;
  Variant value;          // a literal
  std::string qualifier;  // DATASET of DATASET.FIELD
  std::string name;       // a name or a function
  std::vector<std::unique_ptr<ExprNode>> args;
  int total = -1;  // index into the expression's totals
};

}  // namespace detail

namespace {

using detail::ExprNode;
using detail::Op;

// Deep enough for any hand-written layout, shallow enough that a hostile
// one cannot exhaust the stack.
constexpr int kMaxDepth = 64;
constexpr size_t kMaxExpressionLength = 4096;

bool equals_ci(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
         });
}

bool is_name_start(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}

bool is_name_char(char c) {
  return is_name_start(c) || std::isdigit(static_cast<unsigned char>(c));
}

class Parser {
 public:
  Parser(std::string_view text, std::vector<TotalUse>& totals) : s_(text), totals_(totals) {}

  std::unique_ptr<ExprNode> parse() {
    if (s_.size() > kMaxExpressionLength) fail("expression longer than 4096 characters");
    auto node = parse_or(0);
    skip();
    if (p_ < s_.size()) fail(fmt::format("unexpected \"{}\"", s_.substr(p_, 10)));
    return node;
  }

 private:
  [[noreturn]] void fail(const std::string& message) const {
    throw EExpressionError(fmt::format("expression \"{}\": {}", s_.substr(0, 80), message));
  }
  void skip() {
    while (p_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[p_]))) ++p_;
  }
  bool accept(std::string_view token) {
    skip();
    if (s_.substr(p_, token.size()) != token) return false;
    p_ += token.size();
    return true;
  }
  // A keyword (and, or, not) as a whole word, any case.
  bool accept_word(std::string_view word) {
    skip();
    if (p_ + word.size() > s_.size() || !equals_ci(s_.substr(p_, word.size()), word)) return false;
    if (p_ + word.size() < s_.size() && is_name_char(s_[p_ + word.size()])) return false;
    p_ += word.size();
    return true;
  }
  static std::unique_ptr<ExprNode> make(Op op, std::unique_ptr<ExprNode> a,
                                        std::unique_ptr<ExprNode> b = {}) {
    auto n = std::make_unique<ExprNode>();
    n->op = op;
    n->args.push_back(std::move(a));
    if (b) n->args.push_back(std::move(b));
    return n;
  }
  void deeper(int depth) const {
    if (depth > kMaxDepth) fail("nested more than 64 levels deep");
  }

  std::unique_ptr<ExprNode> parse_or(int depth) {
    deeper(depth);
    auto left = parse_and(depth + 1);
    while (accept_word("or")) left = make(Op::Or, std::move(left), parse_and(depth + 1));
    return left;
  }
  std::unique_ptr<ExprNode> parse_and(int depth) {
    auto left = parse_not(depth + 1);
    while (accept_word("and")) left = make(Op::And, std::move(left), parse_not(depth + 1));
    return left;
  }
  std::unique_ptr<ExprNode> parse_not(int depth) {
    deeper(depth);
    if (accept_word("not")) return make(Op::Not, parse_not(depth + 1));
    return parse_compare(depth + 1);
  }
  std::unique_ptr<ExprNode> parse_compare(int depth) {
    auto left = parse_add(depth + 1);
    static const std::pair<std::string_view, Op> kOps[] = {{"<>", Op::Ne}, {"<=", Op::Le}, {">=", Op::Ge},
                                                           {"=", Op::Eq},  {"<", Op::Lt},  {">", Op::Gt}};
    for (const auto& [token, op] : kOps) {
      if (accept(token)) return make(op, std::move(left), parse_add(depth + 1));
    }
    return left;
  }
  std::unique_ptr<ExprNode> parse_add(int depth) {
    auto left = parse_mul(depth + 1);
    for (;;) {
      if (accept("+")) {
        left = make(Op::Add, std::move(left), parse_mul(depth + 1));
      } else if (accept("-")) {
        left = make(Op::Sub, std::move(left), parse_mul(depth + 1));
      } else {
        return left;
      }
    }
  }
  std::unique_ptr<ExprNode> parse_mul(int depth) {
    auto left = parse_unary(depth + 1);
    for (;;) {
      if (accept("*")) {
        left = make(Op::Mul, std::move(left), parse_unary(depth + 1));
      } else if (accept("/")) {
        left = make(Op::Div, std::move(left), parse_unary(depth + 1));
      } else {
        return left;
      }
    }
  }
  std::unique_ptr<ExprNode> parse_unary(int depth) {
    deeper(depth);
    if (accept("-")) return make(Op::Neg, parse_unary(depth + 1));
    if (accept("+")) return parse_unary(depth + 1);
    return parse_primary(depth + 1);
  }
  std::unique_ptr<ExprNode> parse_primary(int depth) {
    deeper(depth);
    skip();
    if (p_ >= s_.size()) fail("ends where a value was expected");
    const char c = s_[p_];
    if (c == '(') {
      ++p_;
      auto inner = parse_or(depth + 1);
      if (!accept(")")) fail("a \"(\" is not closed");
      return inner;
    }
    if (c == '\'') return parse_string();
    if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') return parse_number();
    if (is_name_start(c)) return parse_name(depth);
    fail(fmt::format("unexpected \"{}\"", c));
  }
  std::unique_ptr<ExprNode> parse_string() {
    std::string text;
    ++p_;
    for (;;) {
      if (p_ >= s_.size()) fail("a text is not closed");
      if (s_[p_] == '\'') {
        if (p_ + 1 < s_.size() && s_[p_ + 1] == '\'') {
          text += '\'';
          p_ += 2;
          continue;
        }
        ++p_;
        break;
      }
      text += s_[p_++];
    }
    auto n = std::make_unique<ExprNode>();
    n->value = Variant(std::move(text));
    return n;
  }
  std::unique_ptr<ExprNode> parse_number() {
    const size_t start = p_;
    bool dot = false;
    while (p_ < s_.size() && (std::isdigit(static_cast<unsigned char>(s_[p_])) || (s_[p_] == '.' && !dot))) {
      if (s_[p_] == '.') dot = true;
      ++p_;
    }
    const std::string digits(s_.substr(start, p_ - start));
    if (digits == ".") fail("a lone \".\"");
    auto n = std::make_unique<ExprNode>();
    if (!dot && digits.size() <= 18) {
      n->value = Variant(static_cast<int64_t>(std::stoll(digits)));
    } else {
      n->value = Variant(std::strtod(digits.c_str(), nullptr));
    }
    return n;
  }
  std::string read_name() {
    const size_t start = p_;
    while (p_ < s_.size() && is_name_char(s_[p_])) ++p_;
    return std::string(s_.substr(start, p_ - start));
  }
  std::unique_ptr<ExprNode> parse_name(int depth) {
    auto n = std::make_unique<ExprNode>();
    n->name = read_name();
    if (p_ < s_.size() && s_[p_] == '.' && p_ + 1 < s_.size() && is_name_start(s_[p_ + 1])) {
      ++p_;
      n->qualifier = std::move(n->name);
      n->name = read_name();
      n->op = Op::Name;
      return n;
    }
    if (!accept("(")) {
      n->op = Op::Name;
      return n;
    }
    if (!accept(")")) {
      do {
        n->args.push_back(parse_or(depth + 1));
      } while (accept(","));
      if (!accept(")")) fail(fmt::format("the call of {} is not closed", n->name));
    }
    static const std::pair<std::string_view, TprTotal> kTotals[] = {{"SUM", TprTotal::Sum},
                                                                    {"COUNT", TprTotal::Count},
                                                                    {"AVG", TprTotal::Avg},
                                                                    {"MIN", TprTotal::Min},
                                                                    {"MAX", TprTotal::Max}};
    for (const auto& [word, kind] : kTotals) {
      if (!equals_ci(n->name, word)) continue;
      const size_t wanted = kind == TprTotal::Count ? 0 : 1;
      if (n->args.size() != wanted) fail(fmt::format("{} takes {} argument(s)", word, wanted));
      if (n->args.empty() == false && has_total(*n->args[0])) fail("a total inside a total");
      n->op = Op::Total;
      n->total = static_cast<int>(totals_.size());
      totals_.push_back(TotalUse{kind, n->args.empty() ? nullptr : n->args[0].get(), -1});
      return n;
    }
    n->op = Op::Call;
    return n;
  }
  static bool has_total(const ExprNode& n) {
    if (n.op == Op::Total) return true;
    return std::any_of(n.args.begin(), n.args.end(), [](const auto& a) { return has_total(*a); });
  }

  std::string_view s_;
  size_t p_ = 0;
  std::vector<TotalUse>& totals_;
};

void check_not_total_pages(const Variant& v);

bool is_number(const Variant& v) {
  return v.IsInteger() || v.IsFloat() || v.IsDateTime() || v.IsNull() || v.IsUnassigned();
}

// Numbers compare as numbers, anything else as text.
int compare(const Variant& a, const Variant& b) {
  check_not_total_pages(a);
  check_not_total_pages(b);
  if (is_number(a) && is_number(b)) {
    const double x = a.AsFloat(), y = b.AsFloat();
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  const std::string x = a.AsString(), y = b.AsString();
  return x < y ? -1 : (x > y ? 1 : 0);
}

// TotalPages is not known yet while pages are laid out.
void check_not_total_pages(const Variant& v) {
  if (v.IsText() && v.AsString().find(kTotalPagesMark) != std::string::npos) {
    throw EExpressionError("TotalPages can only be written, not computed with or compared");
  }
}

Variant arithmetic(Op op, const Variant& a, const Variant& b) {
  check_not_total_pages(a);
  check_not_total_pages(b);
  if (op == Op::Add && (a.IsText() || b.IsText())) return Variant(a.AsString() + b.AsString());
  if (op == Op::Div) {
    const double d = b.AsFloat();
    // A division the data leaves without a divisor gives 0, never inf or NaN.
    return Variant(d == 0 ? 0.0 : a.AsFloat() / d);
  }
  if (a.IsInteger() && b.IsInteger()) {
    const int64_t x = a.AsInteger(), y = b.AsInteger();
    int64_t r = 0;
    const bool overflow = op == Op::Add   ? __builtin_add_overflow(x, y, &r)
                          : op == Op::Sub ? __builtin_sub_overflow(x, y, &r)
                                          : __builtin_mul_overflow(x, y, &r);
    if (!overflow) return Variant(r);
  }
  const double x = a.AsFloat(), y = b.AsFloat();
  const double r = op == Op::Add ? x + y : op == Op::Sub ? x - y : x * y;
  if (a.IsDateTime() && !b.IsDateTime() && op != Op::Mul) return Variant(TDateTime{r});
  return Variant(r);
}

void need_args(const ExprNode& n, size_t low, size_t high) {
  if (n.args.size() < low || n.args.size() > high) {
    throw EExpressionError(fmt::format("{} takes {} to {} arguments", n.name, low, high));
  }
}

class Evaluator {
 public:
  Evaluator(ExpressionScope& scope, const std::vector<TotalUse>* totals) : scope_(scope), totals_(totals) {}

  Variant eval(const ExprNode& n) {
    switch (n.op) {
      case Op::Literal:
        return n.value;
      case Op::Name:
        return scope_.Name(n.qualifier, n.name);
      case Op::Neg: {
        const Variant v = eval(*n.args[0]);
        if (v.IsInteger() && v.AsInteger() != INT64_MIN) return Variant(-v.AsInteger());
        return Variant(-v.AsFloat());
      }
      case Op::Not:
        return Variant(!eval(*n.args[0]).AsBoolean());
      case Op::And:
        return Variant(eval(*n.args[0]).AsBoolean() && eval(*n.args[1]).AsBoolean());
      case Op::Or:
        return Variant(eval(*n.args[0]).AsBoolean() || eval(*n.args[1]).AsBoolean());
      case Op::Add:
      case Op::Sub:
      case Op::Mul:
      case Op::Div:
        return arithmetic(n.op, eval(*n.args[0]), eval(*n.args[1]));
      case Op::Eq:
      case Op::Ne:
      case Op::Lt:
      case Op::Le:
      case Op::Gt:
      case Op::Ge: {
        const int c = compare(eval(*n.args[0]), eval(*n.args[1]));
        const bool r = n.op == Op::Eq   ? c == 0
                       : n.op == Op::Ne ? c != 0
                       : n.op == Op::Lt ? c < 0
                       : n.op == Op::Le ? c <= 0
                       : n.op == Op::Gt ? c > 0
                                        : c >= 0;
        return Variant(r);
      }
      case Op::Total:
        if (!totals_ || n.total >= static_cast<int>(totals_->size()) || (*totals_)[n.total].Slot < 0) {
          throw EExpressionError("a total is read outside a band");
        }
        return scope_.Total((*totals_)[n.total].Slot);
      case Op::Call:
        return call(n);
    }
    return Variant();
  }

 private:
  Variant call(const ExprNode& n) {
    const std::string& f = n.name;
    if (equals_ci(f, "IIF")) {  // only the branch taken is evaluated
      need_args(n, 3, 3);
      return eval(*n.args[eval(*n.args[0]).AsBoolean() ? 1 : 2]);
    }
    std::vector<Variant> a;
    a.reserve(n.args.size());
    for (const auto& arg : n.args) a.push_back(eval(*arg));
    if (equals_ci(f, "FormatFloat")) {
      need_args(n, 2, 2);
      return Variant(FormatFloat(a[0].AsString(), a[1].AsFloat()));
    }
    if (equals_ci(f, "FormatDateTime")) {
      need_args(n, 2, 2);
      return Variant(FormatDateTime(a[0].AsString(), a[1].AsDateTime()));
    }
    if (equals_ci(f, "UpperCase")) {
      need_args(n, 1, 1);
      return Variant(UpperCase(a[0].AsString()));
    }
    if (equals_ci(f, "Trim")) {
      need_args(n, 1, 1);
      return Variant(Trim(a[0].AsString()));
    }
    if (equals_ci(f, "Length")) {
      need_args(n, 1, 1);
      return Variant(static_cast<int64_t>(Length(a[0].AsString())));
    }
    if (equals_ci(f, "Copy")) {
      need_args(n, 3, 3);
      const int64_t start = std::clamp<int64_t>(a[1].AsInteger(), 0, 1 << 20);
      const int64_t count = std::clamp<int64_t>(a[2].AsInteger(), 0, 1 << 20);
      return Variant(Copy(a[0].AsString(), static_cast<int>(start), static_cast<int>(count)));
    }
    if (equals_ci(f, "Round")) {
      need_args(n, 1, 2);
      const int decimals =
          n.args.size() == 2 ? static_cast<int>(std::clamp<int64_t>(a[1].AsInteger(), 0, 10)) : 0;
      return Variant(RoundTo(a[0].AsFloat(), -decimals));
    }
    if (equals_ci(f, "Date")) {
      need_args(n, 0, 0);
      return Variant(zpk::Date());
    }
    return scope_.Call(f, a);
  }

  ExpressionScope& scope_;
  const std::vector<TotalUse>* totals_;
};

void collect_names(const ExprNode& n, std::vector<std::string>& out) {
  if (n.op == Op::Name && n.qualifier.empty()) out.push_back(n.name);
  for (const auto& a : n.args) collect_names(*a, out);
}

}  // namespace

Expression::Expression(std::string_view text) : text_(text) {
  root_ = Parser(text, totals_).parse();
}

Expression::~Expression() = default;

Variant Expression::Evaluate(ExpressionScope& scope) const {
  return Evaluator(scope, &totals_).eval(*root_);
}

Variant Expression::EvaluateArgument(const TotalUse& use, ExpressionScope& scope) {
  if (use.Argument == nullptr) return Variant(1);
  return Evaluator(scope, nullptr).eval(*use.Argument);
}

std::vector<std::string> Expression::PlainNames() const {
  std::vector<std::string> names;
  collect_names(*root_, names);
  return names;
}

TextTemplate::TextTemplate(std::string_view text) {
  std::string literal;
  size_t p = 0;
  while (p < text.size()) {
    if (text[p] != '[') {
      literal += text[p++];
      continue;
    }
    if (p + 1 < text.size() && text[p + 1] == '[') {
      literal += '[';
      p += 2;
      continue;
    }
    // The expression runs to the first "]" outside a 'text'.
    size_t q = p + 1;
    bool quoted = false;
    while (q < text.size() && (quoted || text[q] != ']')) {
      if (text[q] == '\'') quoted = !quoted;
      ++q;
    }
    if (q >= text.size())
      throw EExpressionError(fmt::format("a \"[\" is not closed in \"{}\"", text.substr(0, 80)));
    if (!literal.empty()) parts_.push_back(Part{std::move(literal), nullptr});
    literal.clear();
    parts_.push_back(Part{"", std::make_shared<Expression>(text.substr(p + 1, q - p - 1))});
    p = q + 1;
  }
  if (!literal.empty()) parts_.push_back(Part{std::move(literal), nullptr});
}

std::string TextTemplate::Expand(ExpressionScope& scope, const std::string& format) const {
  std::string out;
  for (const auto& part : parts_) {
    out += part.expression ? FormatValue(part.expression->Evaluate(scope), format) : part.literal;
  }
  return out;
}

std::vector<Expression*> TextTemplate::Expressions() {
  std::vector<Expression*> list;
  for (auto& part : parts_) {
    if (part.expression) list.push_back(part.expression.get());
  }
  return list;
}

std::string FormatValue(const Variant& value, const std::string& format) {
  if (!format.empty()) {
    if (value.IsDateTime()) return FormatDateTime(format, value.AsDateTime());
    if (value.IsInteger() || value.IsFloat()) return FormatFloat(format, value.AsFloat());
  }
  return value.AsString();
}

}  // namespace zpk
