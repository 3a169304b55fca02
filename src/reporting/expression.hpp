// The layouts' expression language: numbers, 'texts', names (a report
// variable, or DATASET.FIELD), + - * / comparisons and/or/not, calls of
// built-in functions, totals (SUM, COUNT, AVG, MIN, MAX) and the host's own
// functions; and text templates with [expressions] inside.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/errors.hpp"
#include "platform/rtl/variant.hpp"

namespace zpk {

// An expression that does not parse, or cannot be evaluated (an unknown
// name or function, a total inside a total, a text used as a number).
class EExpressionError : public EZpkError {
 public:
  using EZpkError::EZpkError;
};

namespace detail {
struct ExprNode;
}

// What TotalPages reads while pages are laid out: the page count replaces it
// once the last page is known, so it can be written but not computed with.
inline constexpr std::string_view kTotalPagesMark = "\x1E\x1FTotalPages\x1F\x1E";

enum class TprTotal { Sum, Count, Avg, Min, Max };

// What an expression reads while it is evaluated: names, the host's
// functions and the running totals.
class ExpressionScope {
 public:
  virtual ~ExpressionScope() = default;
  // The value of `name` (qualifier: the dataset of DATASET.FIELD, or empty);
  // raises EExpressionError when nothing has that name.
  virtual Variant Name(std::string_view qualifier, std::string_view name) = 0;
  // A function the language does not know; raises EExpressionError when
  // nobody handles it.
  virtual Variant Call(const std::string& name, const std::vector<Variant>& args) = 0;
  // The current value of the total number `slot` (see Expression::Totals).
  virtual Variant Total(int slot) = 0;
};

// A total an expression reads: its kind and what it adds up.
struct TotalUse {
  TprTotal Kind = TprTotal::Sum;
  const detail::ExprNode* Argument = nullptr;  // null for COUNT()
  int Slot = -1;                               // set by whoever keeps the totals
};

class Expression {
 public:
  // Parses `text`; raises EExpressionError on a syntax error, a nesting
  // deeper than 64 levels, or a total inside a total.
  explicit Expression(std::string_view text);
  ~Expression();
  Expression(const Expression&) = delete;
  Expression& operator=(const Expression&) = delete;

  const std::string& Text() const { return text_; }
  Variant Evaluate(ExpressionScope& scope) const;
  // The totals the expression reads, in order of appearance.
  std::vector<TotalUse>& Totals() { return totals_; }
  const std::vector<TotalUse>& Totals() const { return totals_; }
  // Value of what total `use` adds up on the current record (1 for COUNT).
  static Variant EvaluateArgument(const TotalUse& use, ExpressionScope& scope);
  // The unqualified names the expression reads (report or layout variables).
  std::vector<std::string> PlainNames() const;

 private:
  std::string text_;
  std::unique_ptr<detail::ExprNode> root_;
  std::vector<TotalUse> totals_;
};

// A text with [expressions] inside ("Página [Page] de [TotalPages]");
// "[[" writes a "[". Numbers and dates of the expressions are written with
// the pattern given to Expand, or as the runtime writes them.
class TextTemplate {
 public:
  TextTemplate() = default;
  // Parses `text`; raises EExpressionError for an expression that does not
  // parse or a "[" left open.
  explicit TextTemplate(std::string_view text);

  std::string Expand(ExpressionScope& scope, const std::string& format = "") const;
  bool Empty() const { return parts_.empty(); }
  // The expressions inside, for the totals they read.
  std::vector<Expression*> Expressions();

 private:
  struct Part {
    std::string literal;
    std::shared_ptr<Expression> expression;  // null for a literal part
  };
  std::vector<Part> parts_;
};

// A value as a template writes it: numbers and dates through `format` when
// there is one.
std::string FormatValue(const Variant& value, const std::string& format);

}  // namespace zpk
