// The shared file store: pictures and documents attached to records, kept as
// files below the root folder named by the station INI ("Caminho", "path"),
// and the folder and file listings the screens build on. Paths are composed
// as texts with the "\" separators that stored data holds; files are reached through
// native_path/program_file.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/datetime.hpp"
#include "platform/rtl/errors.hpp"

namespace zpk {

// Kind of an attached file, which chooses its folder of the store.
enum class TTipo {
  tpDocumento,  // documentos\<code>, opened, not a picture
  tpCores,
  tpEstampa,
  tpFuncionario,
  tpInstrucao,
  tpMaterial,
  tpMedida,
  tpProduto,
  tpQuadro,
  tpTinturaria,
  tpDesenho,
  tpPrototipo,
  tpMaquina,
  tpUsuario,
  tpColaborador,  // documentos\colaborador\<code>, opened, not a picture
};
using enum TTipo;

// A file that cannot be stored: a code that would leave the store, an
// unconfigured or missing root, or a failed copy.
class EFileStoreError : public EZpkError {
 public:
  using EZpkError::EZpkError;
};

// The kind's folder below "imagens" ("produto"), or "documentos" /
// "documentos\colaborador" for the two document kinds.
std::string tipo_folder(TTipo Tipo);
// The kind named by its value ("tpProduto") or its folder ("produto"), any
// case; raises EConvertError for another text.
TTipo tipo_from_text(std::string_view text);

// The root of the store as stored: "path" of section "Caminho" of Tabela.ArquivoIni.
std::string file_store_root();

// A picture's path: <root>\arquivos\imagens\[<company suffix>\]<kind>\<Codigo>.jpg
// (the company's folder only when it exists), or <root>\imagem.jpg when that
// file is missing. For the document kinds the file Arquivo of the code's folder
// is opened with the associated program and the result is empty; a missing
// file is reported ("Arquivo não encontrado.") and the operation aborted
// (EAbort). A code or file name that would lead out of its folder ("..", an
// absolute path) counts as missing.
std::string BuscaArquivo(const std::string& Codigo, const std::string& Arquivo, TTipo Tipo);

// Copies Origem (overwriting, through a temporary file and a rename so that
// readers never see half a picture) to <root>\arquivos\imagens\<kind>\<Codigo>
// + Origem's extension, creating the folders, hands the stored path to Imagem
// (the picture control that shows it) and returns it. Document kinds are not
// stored here: nothing happens and the result is empty. Raises EFileStoreError
// when the root is not configured or missing, when Codigo would lead out of
// the kind's folder, or when the copy fails.
std::string SalvaArquivo(const std::string& Codigo, const std::string& Origem, TTipo Tipo,
                         const std::function<void(const std::string&)>& Imagem = {});

// Arquivo when that file exists, else <root>\imagem.jpg.
std::string TrataImagem(const std::string& Arquivo);

// Names of the sub-folders of Pasta (without "." and ".."), sorted; empty when
// Pasta is missing.
std::vector<std::string> GetDiretorios(const std::string& Pasta);
// Names of the files (not folders) of Pasta that match Mascara ("*" any run,
// "?" one character, case-insensitive; "*.*" every file), sorted.
std::vector<std::string> GetArquivos(const std::string& Pasta, const std::string& Mascara);
// Adds Pasta + name for each file of Pasta to Lista, after descending into
// each sub-folder first when Recursivo (a folder reached twice through links
// is visited once); a "\" is added to Pasta when it has no trailing separator.
void AddArquivos(std::string Pasta, std::vector<std::string>& Lista, bool Recursivo);

// The file's last-write time in local time; DateNull when the file is missing.
TDateTime FileDate(const std::string& Arquivo);

// Whether Name matches the wildcard Mascara as GetArquivos applies it.
bool matches_mask(std::string_view Name, std::string_view Mascara);

}  // namespace zpk
