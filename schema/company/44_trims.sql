-- Per-company tables the trims requirement list reads besides the order,
-- stock and material registers: the colour mapping of the technical-sheet
-- lines (PCPFT3), the size ranges of the sheet lines (PCPFAIXA), the colour
-- register (CADCOR) and the materials' list prices (MAT_PRECO).

-- Colour mapping of a technical-sheet line (PCPFT2 by CODIGO and ID): for the
-- product colour COR, the material colour COR_I; "*****" leaves the material
-- out in that colour, "E" spreads it over the product's colour shares.
CREATE TABLE PCPFT3{SUFIXO} (
  CODIGO VARCHAR(20) NOT NULL,
  COR VARCHAR(10) NOT NULL,
  ID INTEGER NOT NULL,
  INSUMO VARCHAR(20),
  FAIXA VARCHAR(10),
  APLICACAO VARCHAR(60),
  COR_I VARCHAR(10),
  CONSTRAINT PK_PCPFT3{SUFIXO} PRIMARY KEY (CODIGO, COR, ID)
);
CREATE INDEX IX_PCPFT3_INSUMO{SUFIXO} ON PCPFT3{SUFIXO} (CODIGO, INSUMO, COR);

-- Size ranges of technical-sheet lines: an order item's size must be one of
-- the 24 slots for the line to apply.
CREATE TABLE PCPFAIXA{SUFIXO} (
  FAIXA VARCHAR(10) NOT NULL,
  DESCRICAO VARCHAR(60),
  TAM01 VARCHAR(10), TAM02 VARCHAR(10), TAM03 VARCHAR(10), TAM04 VARCHAR(10),
  TAM05 VARCHAR(10), TAM06 VARCHAR(10), TAM07 VARCHAR(10), TAM08 VARCHAR(10),
  TAM09 VARCHAR(10), TAM10 VARCHAR(10), TAM11 VARCHAR(10), TAM12 VARCHAR(10),
  TAM13 VARCHAR(10), TAM14 VARCHAR(10), TAM15 VARCHAR(10), TAM16 VARCHAR(10),
  TAM17 VARCHAR(10), TAM18 VARCHAR(10), TAM19 VARCHAR(10), TAM20 VARCHAR(10),
  TAM21 VARCHAR(10), TAM22 VARCHAR(10), TAM23 VARCHAR(10), TAM24 VARCHAR(10),
  CONSTRAINT PK_PCPFAIXA{SUFIXO} PRIMARY KEY (FAIXA)
);

-- Colours.
CREATE TABLE CADCOR{SUFIXO} (
  COR VARCHAR(10) NOT NULL,
  DESCRICAO VARCHAR(60),
  CONSTRAINT PK_CADCOR{SUFIXO} PRIMARY KEY (COR)
);

-- List prices of materials; a material without a row is priced 0.
CREATE TABLE MAT_PRECO{SUFIXO} (
  CODIGO VARCHAR(20) NOT NULL,
  PRECO_1 NUMERIC(18,4) DEFAULT 0,
  CONSTRAINT PK_MAT_PRECO{SUFIXO} PRIMARY KEY (CODIGO)
);
