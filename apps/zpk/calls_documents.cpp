// `zpk call` entries for the identifier validators, check digits and the text
// and number helpers. Arguments arrive as texts; numbers are written with a
// decimal point on the command line.
#include <fmt/format.h>

#include "documents/check_digits.hpp"
#include "documents/text_helpers.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/rtl/strings.hpp"
#include "registry.hpp"

namespace zpk::cli {
namespace {

const std::string& arg(const CallContext& ctx, size_t index) {
  return ctx.args.at(index);
}

// An optional text argument, with the value callers pass when it is left out.
std::string arg_or(const CallContext& ctx, size_t index, const std::string& missing) {
  return index < ctx.args.size() ? ctx.args[index] : missing;
}

char32_t arg_char(const CallContext& ctx, size_t index) {
  const std::string& text = arg(ctx, index);
  if (Length(text) != 1) {
    throw EConvertError(fmt::format("argument {}: '{}' is not one character", index + 1, text));
  }
  return CharAt(text, 1);
}

// Routines from one text to one text.
void register_text_to_text(const char* name, std::string (*routine)(std::string_view)) {
  RegisterCall(name,
               {"TEXT", 1, 1, [routine](CallContext& ctx) { print_text(ctx.out, routine(arg(ctx, 0))); }});
}

const bool registered = [] {
  // Taxpayer identifiers and check digits.
  register_text_to_text("LimpaCpfCnpj", LimpaCpfCnpj);
  RegisterCall("VerCpf", {"CPF", 1, 1, [](CallContext& ctx) { print_bool(ctx.out, VerCpf(arg(ctx, 0))); }});
  RegisterCall("VerCgc", {"CNPJ", 1, 1, [](CallContext& ctx) { print_bool(ctx.out, VerCgc(arg(ctx, 0))); }});
  RegisterCall("Digito", {"NUMBER_WITH_DIGIT", 1, 1,
                          [](CallContext& ctx) { print_bool(ctx.out, Digito(arg(ctx, 0))); }});
  RegisterCall("DigitoVerificadorModulo11",
               {"NUMBER GREATEST_WEIGHT SUBSTITUTE_FOR_10", 3, 3, [](CallContext& ctx) {
                  print_text(ctx.out, DigitoVerificadorModulo11(arg(ctx, 0), arg_int(ctx, 1), arg(ctx, 2)));
                }});
  register_text_to_text("DigitoEAN14", DigitoEAN14);
  RegisterCall("Calcula_digito_EAN13",
               {"CODE [ARG2 ARG3 ARG4]", 1, 4, [](CallContext& ctx) {
                  print_text(ctx.out, Calcula_digito_EAN13(arg(ctx, 0), arg_or(ctx, 1, "0"),
                                                           arg_or(ctx, 2, "0"), arg_or(ctx, 3, "0")));
                }});
  register_text_to_text("DVEan13", DVEan13);

  // Text and number helpers.
  RegisterCall("PermanecePonto", {"VALUE", 1, 1, [](CallContext& ctx) {
                                    print_text(ctx.out, PermanecePonto(arg_double(ctx, 0)));
                                  }});
  register_text_to_text("TiraPontos", TiraPontos);
  register_text_to_text("TiraVirgulas", TiraVirgulas);
  register_text_to_text("SomenteNumeros", SomenteNumeros);
  register_text_to_text("DeletaPonto", DeletaPonto);
  register_text_to_text("RemoveAcento", RemoveAcento);
  register_text_to_text("ReplaceHTML", ReplaceHTML);
  RegisterCall("LeftPad", {"TEXT CHAR LENGTH", 3, 3, [](CallContext& ctx) {
                             print_text(ctx.out, LeftPad(arg(ctx, 0), arg_char(ctx, 1), arg_int(ctx, 2)));
                           }});
  RegisterCall("RightPad", {"TEXT CHAR LENGTH", 3, 3, [](CallContext& ctx) {
                              print_text(ctx.out, RightPad(arg(ctx, 0), arg_char(ctx, 1), arg_int(ctx, 2)));
                            }});
  RegisterCall("ZeroE", {"TEXT LENGTH", 2, 2,
                         [](CallContext& ctx) { print_text(ctx.out, ZeroE(arg(ctx, 0), arg(ctx, 1))); }});
  RegisterCall("Explode", {"TEXT SEPARATOR", 2, 2, [](CallContext& ctx) {
                             for (const std::string& piece : Explode(arg(ctx, 0), arg(ctx, 1))) {
                               print_text(ctx.out, piece);
                             }
                           }});
  RegisterCall("AcertaCase", {"TEXT1 TEXT2", 2, 2, [](CallContext& ctx) {
                                print_text(ctx.out, AcertaCase(arg(ctx, 0), arg(ctx, 1)));
                              }});
  RegisterCall("SlashSep", {"PATH NAME", 2, 2, [](CallContext& ctx) {
                              print_text(ctx.out, SlashSep(arg(ctx, 0), arg(ctx, 1)));
                            }});
  RegisterCall("TemTexto",
               {"TEXT", 1, 1, [](CallContext& ctx) { print_bool(ctx.out, TemTexto(arg(ctx, 0))); }});
  RegisterCall("BoolToInt", {"True|False", 1, 1,
                             [](CallContext& ctx) { print_number(ctx.out, BoolToInt(arg_bool(ctx, 0))); }});
  RegisterCall("DescontoUnificado", {"PERCENTAGES (e.g. 10+5)", 1, 1, [](CallContext& ctx) {
                                       print_number(ctx.out, DescontoUnificado(arg(ctx, 0)));
                                     }});
  RegisterCall("Arredondar", {"VALUE STEP", 2, 2, [](CallContext& ctx) {
                                print_number(ctx.out, Arredondar(arg_double(ctx, 0), arg_int(ctx, 1)));
                              }});
  RegisterCall("CampoDesconto", {"VALUE1 VALUE2 VALUE3 VALUE4", 4, 4, [](CallContext& ctx) {
                                   print_text(ctx.out, CampoDesconto(arg_double(ctx, 0), arg_double(ctx, 1),
                                                                     arg_double(ctx, 2), arg_double(ctx, 3)));
                                 }});
  RegisterCall("TiraPonto", {"VALUE", 1, 1,
                             [](CallContext& ctx) { print_number(ctx.out, TiraPonto(arg_double(ctx, 0))); }});
  RegisterCall("TruncDecimal", {"FORMAT DECIMALS VALUE", 3, 3, [](CallContext& ctx) {
                                  print_text(ctx.out,
                                             TruncDecimal(arg(ctx, 0), arg_int(ctx, 1), arg_double(ctx, 2)));
                                }});
  RegisterCall("LeTagXML", {"XML TAG KIND", 3, 3, [](CallContext& ctx) {
                              print_text(ctx.out, LeTagXML(arg(ctx, 0), arg(ctx, 1), arg(ctx, 2)));
                            }});
  RegisterCall("PegaPosicao", {"START-END;VALUE [TEXT]", 1, 2, [](CallContext& ctx) {
                                 int16_t start = 0;
                                 int16_t length = 0;
                                 int16_t value = 0;
                                 const bool ok =
                                     PegaPosicao(start, length, value, arg(ctx, 0), arg_or(ctx, 1, ""));
                                 print_var(ctx.out, "start", std::to_string(start));
                                 print_var(ctx.out, "length", std::to_string(length));
                                 print_var(ctx.out, "value", std::to_string(value));
                                 print_bool(ctx.out, ok);
                               }});
  return true;
}();

}  // namespace
}  // namespace zpk::cli
