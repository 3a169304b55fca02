// Settings that belong to the workstation rather than to the database: the
// INI files next to the program, the user's "Venda" settings key (default
// printer, scale decimals) and the defaults derived from them.
#pragma once

#include <string>

namespace zpk {

// The value of Chave in section Secao of the INI file Arquivo (relative names
// resolve in the program's folder; a file whose name differs only in case is
// taken when none matches exactly); empty when the file, section or key is
// missing. Sections and keys are case-insensitive.
std::string LeIni(const std::string& Secao, const std::string& Chave, const std::string& Arquivo);
// Writes Valor under Secao/Chave of Arquivo, keeping every other line; raises
// EIniFileError when the file cannot be written.
void GravaIni(const std::string& Secao, const std::string& Chave, const std::string& Valor,
              const std::string& Arquivo);

// Pasta, or in hosted mode (vNuvem "S") the trimmed "PastaPadrao" of section
// "Caminho" of "ti.ini" when that is not empty.
std::string PastaPadrao(const std::string& Pasta);

// The user's default printer ("ImpPadrao" of "Venda\Parametros", trimmed);
// when it is empty or "Nenhuma", the system's default printer ("" when none).
std::string ImpressoraPadrao();

// The default stock location: for Opcao "1" the user's cash-desk location
// (VENDA_CAIXA) when it exists in DEPOSITO, else the DEPOSITO with PRIORIDADE
// = Opcao; empty when there is none.
std::string DepositoPadrao(const std::string& Opcao);

// The weight in a scale's reading: its digits with a decimal comma before the
// last "Decimal" digits ("Venda\Parametros\Balanca\<Balanca>", else
// "Venda\Parametros"; 0 when unset). A reading flagged unstable (a status
// "US" or Toledo's "I" marks) sets Estavel false, tells the user to weigh
// again and yields 0, so that an unsettled weight is never taken.
double PegaPesoBalanca(const std::string& Leitura, bool& Estavel, const std::string& Balanca = "");

// The system's default printer by the CUPS client rules ($LPDEST, $PRINTER,
// ~/.cups/lpoptions, /etc/cups/lpoptions); empty when none is set.
std::string system_default_printer();

}  // namespace zpk
