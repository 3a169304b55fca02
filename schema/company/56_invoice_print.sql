-- What printing an invoice reads besides the invoice itself: fiscal
-- classifications (NCM and what the invoice prints about them), packings of
-- order items, countries, banks; and the header columns of an invoice that
-- the printed invoice and the NF-e show (freight, volumes, tax totals...).

-- Fiscal classification of items (NOTAITEN.CLA_FIS): the NCM code printed on
-- the invoice, the observation printed with it and what the NF-e needs.
CREATE TABLE TABFIS{SUFIXO} (
  CODIGO VARCHAR(10) NOT NULL,
  DESC_FIS VARCHAR(60),
  OBSERVACAO VARCHAR(200),
  ICMS NUMERIC(18,4),
  IBPT NUMERIC(18,4),
  CEST VARCHAR(10),
  UN VARCHAR(6),
  IND_ESCALA INTEGER,
  EXTIPI VARCHAR(3),
  ESP_FIS VARCHAR(60),
  CONSTRAINT PK_TABFIS{SUFIXO} PRIMARY KEY (CODIGO)
);

-- Packings an order item is shipped in (PED_ITEN.EMBALAGEM): PESO is what one
-- package holds, in the item's unit.
CREATE TABLE CAIXA{SUFIXO} (
  CODIGO VARCHAR(10) NOT NULL,
  DESCRICAO VARCHAR(40),
  PESO NUMERIC(18,4),
  CONSTRAINT PK_CAIXA{SUFIXO} PRIMARY KEY (CODIGO)
);

-- Countries by their NF-e code ("1058" is Brazil).
CREATE TABLE PAIS{SUFIXO} (
  COD_PAIS VARCHAR(5) NOT NULL,
  NOME_PAIS VARCHAR(60),
  CONSTRAINT PK_PAIS{SUFIXO} PRIMARY KEY (COD_PAIS)
);

-- Banks by the code receivable titles carry in RECEBER.BANCO.
CREATE TABLE CADBAN{SUFIXO} (
  BANCO VARCHAR(10) NOT NULL,
  NOME VARCHAR(60),
  CONSTRAINT PK_CADBAN{SUFIXO} PRIMARY KEY (BANCO)
);

-- Header columns of the invoice that the printed invoice and the NF-e read.
-- NOTA_DEV is the invoice a return refers to.
ALTER TABLE NOTA{SUFIXO}
  ADD PLACA VARCHAR(10),
  ADD DT_SAIDA DATE,
  ADD TIPFAT VARCHAR(5),
  ADD DESCONTO NUMERIC(18,4),
  ADD BASE_CALC NUMERIC(18,4),
  ADD ALIQUOTA NUMERIC(18,4),
  ADD VOLUMES INTEGER,
  ADD ESPECIE VARCHAR(20),
  ADD NR_VOLUMES VARCHAR(20),
  ADD CIF VARCHAR(1),
  ADD REDESP_CIF VARCHAR(1),
  ADD PECAS NUMERIC(18,4),
  ADD BASE_IPI NUMERIC(18,4),
  ADD VAL_IPI NUMERIC(18,4),
  ADD VAL_FRETE NUMERIC(18,4),
  ADD VAL_SEGURO NUMERIC(18,4),
  ADD VAL_IMPORT NUMERIC(18,4),
  ADD DESPESAS NUMERIC(18,4),
  ADD VAL_PRODUTOS NUMERIC(18,4),
  ADD PESOL NUMERIC(18,4),
  ADD PESOB NUMERIC(18,4),
  ADD MENSAGEM VARCHAR(2000),
  ADD OBS VARCHAR(2000),
  ADD NOTA_DEV VARCHAR(10),
  ADD DOCTO2 VARCHAR(60),
  ADD VAL_SUBST NUMERIC(18,4),
  ADD BASE_SUBST NUMERIC(18,4),
  ADD MARCA VARCHAR(20),
  ADD CHAVE_NFE VARCHAR(44),
  ADD RECIBO_NFE VARCHAR(20),
  ADD PROTOCOLO_NFE VARCHAR(20),
  ADD VAL_DESONERA NUMERIC(18,4),
  ADD VAL_FCP NUMERIC(18,4),
  ADD VAL_ICMS_REMET NUMERIC(18,4);

-- The observation typed on an order item, printed with its invoice line.
ALTER TABLE PED_ITEN{SUFIXO} ADD OBS VARCHAR(200);
