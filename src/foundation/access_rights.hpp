// Users, their rights per screen and operation, supervisor authorisation by
// password and per-user value limits. Passwords are stored only as the slow,
// deterministic derivation of Gera_FB_PASS, never in the clear.
#pragma once

#include <functional>
#include <string>

namespace zpk {

// Whether the current user (vUsuario) may use the operation Operacao ("A"
// change, "C" consult, "E" delete) on the screen NomeForm (and report
// Relatorio when not blank): a screen without a rights row for the user is
// open; a user whose level is below TipoMinimo needs a supervisor's password
// ("Controle de Acesso" box, stored in vSenha); a refusal opens the screen
// TfmNegado. Raises EZpkError for another operation, EDatabaseError.
bool Acessa(const std::string& NomeForm, const std::string& Operacao, const std::string& TipoMinimo,
            const std::string& Relatorio = "");

// True when Senha, without its "#" characters, is the password of an active
// user of level TipoMinimo or above; vSupervisor becomes that user's name,
// else it is cleared. Raises EDatabaseError.
bool ValidaSenha(const std::string& Tipo, const std::string& Senha);

// The name of the first user of level "1" or above whose password is vSenha
// (active or not), or "". Raises EDatabaseError.
std::string NomeUsuarioSenha();

// True when Valor is within the current user's limit of kind Tipo
// (VALIDA_CAMPO; no row or no value: no limit); otherwise false, after an
// information box when Avisar. Raises EDatabaseError.
bool ValidaLimiteUsuario(const std::string& Tipo, double Valor, bool Avisar);

// Texto with each character XOR-ed with the key character at the same
// position (the key repeated from its start).
// A character whose result would be NUL, or not a valid character, is left as
// it is, so applying it twice with the same key gives Texto back. Raises
// EZpkError for an empty key.
std::string RtnCodificar(const std::string& Texto, const std::string& Chave);

// The stored form of a password: PBKDF2-HMAC-SHA256 of Texto under a fixed
// application salt, 64 lowercase hexadecimal characters. Deliberately slow
// (gera_fb_pass_iterations rounds, the count recommended today for
// PBKDF2-HMAC-SHA256) so that a stolen SENHA column costs an attacker real time
// per guess; the same Texto always gives the same text.
std::string Gera_FB_PASS(const std::string& Texto);
inline constexpr int gera_fb_pass_iterations = 600000;

// Gera_FB_PASS of what the system stores for a user's password: the password
// between the two fixed texts of the system and the user's login name.
std::string stored_password(const std::string& senha, const std::string& nome);

// How the refusal screen TfmNegado of zpkAcesso.bpl is opened (modally after
// a wrong supervisor password). The host installs its screen loader; without
// one the refusal is shown as an error message "Acesso Negado" captioned
// "Controle de Acesso" through the dialog port. Returns the loader installed
// before (empty: the default).
using RefusalScreen =
    std::function<void(const std::string& NomeBpl, const std::string& NomeForm, bool Modal)>;
RefusalScreen set_refusal_screen(RefusalScreen screen);

}  // namespace zpk
