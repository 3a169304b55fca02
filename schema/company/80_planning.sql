-- Per-company tables of dye-recipe costing: recipe heads and their
-- components, shared preparation baths, active substitutes of materials,
-- fabric variants, baths and the dosage rules. Dosages and rule bounds are
-- DOUBLE PRECISION: the costing computes in floating point, and a measured
-- dye total compared with a rule's range must not be cut to 4 decimals first.

-- Recipe head: one row per article, colour and variant. CUSTO is the stored
-- cost per kg of fabric; PREPARACAO names the shared pre-treatment bath.
CREATE TABLE RECEITA{SUFIXO} (
  CODIGO VARCHAR(20) NOT NULL,
  COR VARCHAR(10) NOT NULL,
  VARIANTE VARCHAR(10) NOT NULL,
  DESCRICAO VARCHAR(100),
  PREPARACAO VARCHAR(20),
  COD_BANHO VARCHAR(10),
  CUSTO NUMERIC(18,4) DEFAULT 0,
  CONSTRAINT PK_RECEITA{SUFIXO} PRIMARY KEY (CODIGO, COR, VARIANTE)
);
CREATE INDEX IX_RECEITA_PREP{SUFIXO} ON RECEITA{SUFIXO} (PREPARACAO);
CREATE INDEX IX_RECEITA_VAR{SUFIXO} ON RECEITA{SUFIXO} (VARIANTE);

-- Recipe components, shared by every colour of an article and variant (the
-- same material may appear on each fibre, so the rows carry no key).
-- FIBRA "1"/"2" = that fibre only, else the whole fabric; UNIDADE "GL" grams
-- per litre of bath, "%" percent of fabric weight; REGRA a dosage rule.
CREATE TABLE MAT_TIN{SUFIXO} (
  RECEITA VARCHAR(20) NOT NULL,
  VARIANTE VARCHAR(10) NOT NULL,
  CODIGO VARCHAR(20) NOT NULL,
  FIBRA VARCHAR(2),
  UNIDADE VARCHAR(6),
  QTDE DOUBLE PRECISION DEFAULT 0,
  REGRA VARCHAR(10)
);
CREATE INDEX IX_MAT_TIN_REC{SUFIXO} ON MAT_TIN{SUFIXO} (RECEITA, VARIANTE);
CREATE INDEX IX_MAT_TIN_MAT{SUFIXO} ON MAT_TIN{SUFIXO} (CODIGO);

-- Components of a preparation (pre-treatment) bath, one row per material.
CREATE TABLE PREPARACAO{SUFIXO} (
  CODIGO VARCHAR(20) NOT NULL,
  MATERIAL VARCHAR(20) NOT NULL,
  FIBRA VARCHAR(2),
  UNIDADE VARCHAR(6),
  QTDE DOUBLE PRECISION DEFAULT 0,
  REGRA VARCHAR(10),
  CONSTRAINT PK_PREPARACAO{SUFIXO} PRIMARY KEY (CODIGO, MATERIAL)
);
CREATE INDEX IX_PREPARACAO_MAT{SUFIXO} ON PREPARACAO{SUFIXO} (MATERIAL);

-- Substitute CODIGO of MATERIAL: with ATIVO "S" a recipe uses CONCENT percent
-- of the replaced material's dosage, at the substitute's price.
CREATE TABLE CONTRATIPO{SUFIXO} (
  CODIGO VARCHAR(20) NOT NULL,
  MATERIAL VARCHAR(20) NOT NULL,
  CONCENT DOUBLE PRECISION DEFAULT 0,
  ATIVO VARCHAR(1),
  CONSTRAINT PK_CONTRATIPO{SUFIXO} PRIMARY KEY (CODIGO, MATERIAL)
);
CREATE INDEX IX_CONTRATIPO_MAT{SUFIXO} ON CONTRATIPO{SUFIXO} (MATERIAL);

-- Fabric variant; INDICE is the percent share of fibre 1 in a two-fibre fabric.
CREATE TABLE VARIANTE{SUFIXO} (
  CODIGO VARCHAR(10) NOT NULL,
  DESCRICAO VARCHAR(100),
  INDICE DOUBLE PRECISION,
  CONSTRAINT PK_VARIANTE{SUFIXO} PRIMARY KEY (CODIGO)
);

-- Dye bath; PROPORCAO is the liquor ratio, litres of bath per kg of fabric.
CREATE TABLE BANHO{SUFIXO} (
  CODIGO VARCHAR(10) NOT NULL,
  DESCRICAO VARCHAR(100),
  PROPORCAO DOUBLE PRECISION,
  CONSTRAINT PK_BANHO{SUFIXO} PRIMARY KEY (CODIGO)
);

-- Dosage rules: rows of rule CODIGO give QTDE_R for a measured quantity in
-- the closed range QTDE_DE..QTDE_ATE. TIPO "L" measures the recipe's total of
-- dye line LINHA, "M"/"P"/"C" are fall-backs keyed by a caller's line, "G"
-- measures a material's share of composition group LINHA.
CREATE TABLE TNG_REGRA{SUFIXO} (
  CODIGO VARCHAR(10) NOT NULL,
  TIPO VARCHAR(1) NOT NULL,
  LINHA VARCHAR(10),
  QTDE_DE DOUBLE PRECISION,
  QTDE_ATE DOUBLE PRECISION,
  QTDE_R DOUBLE PRECISION
);
CREATE INDEX IX_TNG_REGRA{SUFIXO} ON TNG_REGRA{SUFIXO} (CODIGO, TIPO, LINHA);

-- Composition of a material: component CODIGO makes PERC percent of MATERIAL.
CREATE TABLE COMP_MATERIAL{SUFIXO} (
  CODIGO VARCHAR(20) NOT NULL,
  MATERIAL VARCHAR(20) NOT NULL,
  PERC DOUBLE PRECISION DEFAULT 0,
  CONSTRAINT PK_COMP_MATERIAL{SUFIXO} PRIMARY KEY (CODIGO, MATERIAL)
);
CREATE INDEX IX_COMP_MATERIAL_MAT{SUFIXO} ON COMP_MATERIAL{SUFIXO} (MATERIAL);
