#include "platform/dataset/detail/filter_expression.hpp"

#include <cctype>
#include <cstdlib>
#include <string>

#include <fmt/format.h>

#include "platform/dataset/detail/field_values.hpp"
#include "platform/rtl/strings.hpp"

namespace zpk::detail {

struct FilterExpression::Node {
  enum class Op { kAnd, kOr, kNot, kCompare, kIsNull, kIsNotNull };
  Op op = Op::kCompare;
  std::unique_ptr<Node> left, right;
  // Comparisons: the field, its type, the operator ("=", "<>", "<", ...) and
  // the literal already converted to the field's type.
  int field = -1;
  TFieldType type = ftString;
  std::string compare;
  Variant literal;
};

namespace {

using Node = FilterExpression::Node;

struct Token {
  enum class Kind { kEnd, kName, kText, kNumber, kOperator, kOpen, kClose };
  Kind kind = Kind::kEnd;
  std::string text;
};

class Parser {
 public:
  Parser(std::string_view text, TClientDataSet& dataset) : text_(text), dataset_(dataset) { advance(); }

  std::unique_ptr<Node> parse() {
    auto node = parse_or();
    if (token_.kind != Token::Kind::kEnd) fail(fmt::format("unexpected '{}'", token_.text));
    return node;
  }

 private:
  [[noreturn]] void fail(const std::string& why) const {
    throw EDataSetError(fmt::format("{}: filter \"{}\": {}", dataset_.Name(), text_, why));
  }

  bool keyword(std::string_view word) const {
    return token_.kind == Token::Kind::kName && SameText(token_.text, word);
  }

  void advance() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    token_ = Token{};
    if (pos_ >= text_.size()) return;
    const char c = text_[pos_];
    if (c == '\'' || c == '"') {
      // Quoted text; the quote doubled stands for itself.
      std::string value;
      for (++pos_;; ++pos_) {
        if (pos_ >= text_.size()) fail("unterminated text");
        if (text_[pos_] == c) {
          if (pos_ + 1 < text_.size() && text_[pos_ + 1] == c) {
            value += c;
            ++pos_;
            continue;
          }
          ++pos_;
          break;
        }
        value += text_[pos_];
      }
      token_ = {Token::Kind::kText, value};
    } else if (c == '[') {
      const size_t close = text_.find(']', pos_);
      if (close == std::string_view::npos) fail("unterminated field name");
      token_ = {Token::Kind::kName, std::string(text_.substr(pos_ + 1, close - pos_ - 1))};
      pos_ = close + 1;
    } else if (std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '.') {
      const size_t start = pos_++;
      while (pos_ < text_.size() &&
             (std::isdigit(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '.')) {
        ++pos_;
      }
      token_ = {Token::Kind::kNumber, std::string(text_.substr(start, pos_ - start))};
    } else if (c == '(' || c == ')') {
      token_ = {c == '(' ? Token::Kind::kOpen : Token::Kind::kClose, std::string(1, c)};
      ++pos_;
    } else if (c == '=' || c == '<' || c == '>' || c == '!') {
      std::string op(1, c);
      ++pos_;
      if (pos_ < text_.size() && c != '=' && (text_[pos_] == '=' || (c == '<' && text_[pos_] == '>'))) {
        op += text_[pos_++];
      }
      if (op == "!=") op = "<>";
      if (op == "!") fail("unexpected '!'");
      token_ = {Token::Kind::kOperator, op};
    } else {
      const size_t start = pos_;
      while (pos_ < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[pos_])) ||
                                     text_[pos_] == '_' || static_cast<unsigned char>(text_[pos_]) >= 0x80)) {
        ++pos_;
      }
      if (pos_ == start) fail(fmt::format("unexpected '{}'", c));
      token_ = {Token::Kind::kName, std::string(text_.substr(start, pos_ - start))};
    }
  }

  std::unique_ptr<Node> joined(Node::Op op, std::unique_ptr<Node> left, std::unique_ptr<Node> right) {
    auto node = std::make_unique<Node>();
    node->op = op;
    node->left = std::move(left);
    node->right = std::move(right);
    return node;
  }

  std::unique_ptr<Node> parse_or() {
    auto node = parse_and();
    while (keyword("OR")) {
      advance();
      node = joined(Node::Op::kOr, std::move(node), parse_and());
    }
    return node;
  }

  std::unique_ptr<Node> parse_and() {
    auto node = parse_not();
    while (keyword("AND")) {
      advance();
      node = joined(Node::Op::kAnd, std::move(node), parse_not());
    }
    return node;
  }

  std::unique_ptr<Node> parse_not() {
    if (keyword("NOT")) {
      advance();
      return joined(Node::Op::kNot, parse_not(), nullptr);
    }
    if (token_.kind == Token::Kind::kOpen) {
      advance();
      auto node = parse_or();
      if (token_.kind != Token::Kind::kClose) fail("missing ')'");
      advance();
      return node;
    }
    return parse_comparison();
  }

  std::unique_ptr<Node> parse_comparison() {
    if (token_.kind != Token::Kind::kName) fail("a field name was expected");
    TField* field = dataset_.FindField(token_.text);
    if (!field) fail(fmt::format("field '{}' not found", token_.text));
    auto node = std::make_unique<Node>();
    node->field = field->Index();
    node->type = field->DataType();
    advance();
    if (keyword("IS")) {
      advance();
      node->op = Node::Op::kIsNull;
      if (keyword("NOT")) {
        node->op = Node::Op::kIsNotNull;
        advance();
      }
      if (!keyword("NULL")) fail("NULL was expected");
      advance();
      return node;
    }
    if (token_.kind != Token::Kind::kOperator) fail("a comparison was expected");
    node->compare = token_.text;
    advance();
    Variant literal;
    if (token_.kind == Token::Kind::kText) {
      literal = Variant(token_.text);
    } else if (token_.kind == Token::Kind::kNumber) {
      // Numbers in a filter are written with a decimal point.
      char* end = nullptr;
      const double number = std::strtod(token_.text.c_str(), &end);
      if (end == nullptr || *end != '\0') fail(fmt::format("'{}' is not a number", token_.text));
      literal = token_.text.find('.') == std::string::npos ? Variant(static_cast<int64_t>(number))
                                                           : Variant(number);
    } else {
      fail("a value was expected");
    }
    advance();
    try {
      node->literal = to_field_type(literal, node->type, 0);
    } catch (const EConvertError& e) {
      fail(e.what());
    }
    return node;
  }

  std::string_view text_;
  TClientDataSet& dataset_;
  size_t pos_ = 0;
  Token token_;
};

bool evaluate(const Node& node, const std::vector<Variant>& values) {
  switch (node.op) {
    case Node::Op::kAnd:
      return evaluate(*node.left, values) && evaluate(*node.right, values);
    case Node::Op::kOr:
      return evaluate(*node.left, values) || evaluate(*node.right, values);
    case Node::Op::kNot:
      return !evaluate(*node.left, values);
    case Node::Op::kIsNull:
      return is_empty(values[node.field]);
    case Node::Op::kIsNotNull:
      return !is_empty(values[node.field]);
    case Node::Op::kCompare:
      break;
  }
  const Variant& value = values[node.field];
  int order = 0;
  if (is_text(node.type)) {
    // Text compares as stored (an empty text is null); equality is exact.
    const std::string a = value.AsString();
    const std::string b = node.literal.AsString();
    if (node.compare == "=") return a == b;
    if (node.compare == "<>") return a != b;
    order = compare_values(value, node.literal, node.type);
  } else {
    // A null number or date satisfies only "<>".
    if (is_empty(value) || is_empty(node.literal)) return node.compare == "<>";
    order = compare_values(value, node.literal, node.type);
  }
  if (node.compare == "=") return order == 0;
  if (node.compare == "<>") return order != 0;
  if (node.compare == "<") return order < 0;
  if (node.compare == "<=") return order <= 0;
  if (node.compare == ">") return order > 0;
  return order >= 0;  // ">="
}

}  // namespace

FilterExpression::FilterExpression(std::string_view text, TClientDataSet& dataset)
    : root_(Parser(text, dataset).parse()) {}

FilterExpression::~FilterExpression() = default;

bool FilterExpression::matches(const std::vector<Variant>& values) const {
  return evaluate(*root_, values);
}

}  // namespace zpk::detail
