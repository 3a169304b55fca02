// The look every screen gets just after it is made, whatever package it
// comes from: the station's theme and font size (per-user settings "Venda",
// "Parametros"), uniform buttons, edits and grids, captions over group
// frames, and word-by-word English captions when the company asks for them.
#pragma once

#include <QColor>
#include <QIcon>
#include <QList>
#include <map>
#include <string>

class QWidget;

namespace zpk::ui {

// The icons buttons show: a button's "Tag" property is its icon's index.
inline QList<QIcon> vImageListIcones;

// Translations, upper-cased PORTUGUESE -> ENGLISH.
using Dicionario = std::map<std::string, std::string>;

// One theme: form colour, font family, font colour and size.
struct Tema {
  QColor cor_form;
  std::string fonte;
  QColor cor_fonte;
  int tamanho = 10;
};

// The colour of edit-type controls under every theme.
inline const QColor kCorEdicao{245, 245, 245};

// The font size a "Resolucao" setting gives: 8, 10 (also empty or unknown) or 12.
int tamanho_fonte(const std::string& Resolucao);
// The theme a "Tema" setting gives, at font size Tamanho; "0", empty or unknown is the default.
Tema tema_da_estacao(const std::string& Tema_, int Tamanho);

// Reads "Ingles.lng" of the program's folder, upper-cased, one NAME=VALUE a line.
Dicionario carrega_dicionario();

// The English of one caption: without ".", ",", ":" and "&", the whole text
// when the dictionary has it, else word by word; found words in title case.
std::string getTraducaoString(const Dicionario& Dic, const std::string& Texto);

// Gives Form the station's look (nothing for a form whose "Tag" is -1) and,
// when company parameter SIS 10 is "I", English captions.
void ConfiguraTela(QWidget* Form);

// Rounds Control's corners with radius Raio.
void ArredondarComponente(QWidget* Control, int Raio);

}  // namespace zpk::ui
