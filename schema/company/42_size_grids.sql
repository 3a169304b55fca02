-- Per-company tables of the size columns: the general size table in display
-- order (TABTAM) and the size ranges (FAIXA) with their sizes at column
-- positions (FAIXA_ITEN).

-- Sizes; ACRESCIMO is the display order of the size columns.
CREATE TABLE TABTAM{SUFIXO} (
  TAM VARCHAR(10) NOT NULL,
  DESCRICAO VARCHAR(60),
  ACRESCIMO INTEGER,
  CONSTRAINT PK_TABTAM{SUFIXO} PRIMARY KEY (TAM)
);

-- Size ranges; TAMANHO is the width of one size column when the range is
-- printed (a width here, a size in FAIXA_ITEN).
CREATE TABLE FAIXA{SUFIXO} (
  CODIGO VARCHAR(4) NOT NULL,
  DESCRICAO VARCHAR(60),
  TAMANHO SMALLINT,
  CONSTRAINT PK_FAIXA{SUFIXO} PRIMARY KEY (CODIGO)
);

-- The sizes of a range, one per column position.
CREATE TABLE FAIXA_ITEN{SUFIXO} (
  FAIXA VARCHAR(4) NOT NULL,
  TAMANHO VARCHAR(10),
  POSICAO SMALLINT NOT NULL,
  CONSTRAINT PK_FAIXA_ITEN{SUFIXO} PRIMARY KEY (FAIXA, POSICAO)
);
