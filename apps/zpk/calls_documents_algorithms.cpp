// `zpk call` entries for the state registration check, amounts in words, the
// Unix crypt hash and the CRC-16 of report payloads. Arguments arrive as texts;
// amounts in words take the amount as the documents print it ("1234,56").
#include "documents/crc16.hpp"
#include "documents/extenso.hpp"
#include "documents/inscricao_estadual.hpp"
#include "documents/unixcrypt.hpp"
#include "registry.hpp"

namespace zpk::cli {
namespace {

const std::string& arg(const CallContext& ctx, size_t index) {
  return ctx.args.at(index);
}

void register_text_to_text(const char* name, const char* usage, std::string (*routine)(std::string_view)) {
  RegisterCall(name,
               {usage, 1, 1, [routine](CallContext& ctx) { print_text(ctx.out, routine(arg(ctx, 0))); }});
}

const bool registered = [] {
  RegisterCall("ValidaInscricao", {"IE UF", 2, 2, [](CallContext& ctx) {
                                     print_bool(ctx.out, ValidaInscricao(arg(ctx, 0), arg(ctx, 1)));
                                   }});

  register_text_to_text("Extenso", "AMOUNT", Extenso);
  register_text_to_text("ExtensoEsp", "AMOUNT", ExtensoEsp);
  register_text_to_text("ExtensoMil", "THREE_DIGITS", ExtensoMil);
  register_text_to_text("ExtensoMilEsp", "THREE_DIGITS", ExtensoMilEsp);

  RegisterCall("crypt", {"KEY SALT", 2, 2,
                         [](CallContext& ctx) { print_text(ctx.out, crypt(arg(ctx, 0), arg(ctx, 1))); }});
  RegisterCall("CRC16CCITT",
               {"TEXT", 1, 1, [](CallContext& ctx) { print_number(ctx.out, CRC16CCITT(arg(ctx, 0))); }});
  register_text_to_text("CalculaCRC16", "TEXT", CalculaCRC16);
  return true;
}();

}  // namespace
}  // namespace zpk::cli
