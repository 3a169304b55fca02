-- What the NF-e of an invoice reads besides the invoice dataset: the
-- documents an invoice refers to, the tax codes per situation, payment kinds,
-- batch dates, fiscal document kinds, and whether a nature issues an exit.

-- Documents an invoice refers to (returns, complements): an NF-e or CT-e by
-- its key, a coupon ("2D") or a paper invoice ("01") by its number.
CREATE TABLE NOTA_REF{SUFIXO} (
  FATURA VARCHAR(10) NOT NULL,
  DOCTO VARCHAR(20) NOT NULL,
  CHAVE VARCHAR(44),
  MODELO VARCHAR(2),
  CONSTRAINT PK_NOTA_REF{SUFIXO} PRIMARY KEY (FATURA, DOCTO)
);

-- Codes an item's tax situation carries into the NF-e, per tax code, kind
-- (ICMS, IPI...), nature and state: the IPI framing code and the tax-benefit
-- code.
CREATE TABLE TRIBCST{SUFIXO} (
  CODTRIB VARCHAR(3) NOT NULL,
  TIPO VARCHAR(10) NOT NULL,
  NATUREZA VARCHAR(10) NOT NULL,
  UF VARCHAR(2) NOT NULL,
  ENQ_IPI VARCHAR(3),
  CBENEF VARCHAR(10),
  CONSTRAINT PK_TRIBCST{SUFIXO} PRIMARY KEY (CODTRIB, TIPO, NATUREZA, UF)
);

-- Collection situations of receivable titles (RECEBER.SITUACAO) and the
-- payment kind each one means ("0" cash, "1" cheque, "2" bank slip...).
CREATE TABLE MOEDA{SUFIXO} (
  SITUACAO VARCHAR(2) NOT NULL,
  DESCRICAO VARCHAR(40),
  TIPO VARCHAR(1),
  CONSTRAINT PK_MOEDA{SUFIXO} PRIMARY KEY (SITUACAO)
);

-- Manufacture and expiry dates of an item's batch.
CREATE TABLE ITEM_LOTE{SUFIXO} (
  NUMERO VARCHAR(20) NOT NULL,
  CODIGO VARCHAR(20) NOT NULL,
  DATA DATE,
  DATA2 DATE,
  CONSTRAINT PK_ITEM_LOTE{SUFIXO} PRIMARY KEY (NUMERO, CODIGO)
);

-- Kinds of fiscal documents of purchase invoices (NOTA_ENTRA.TIPO); ABREVI
-- is the model a referenced paper invoice is declared with.
CREATE TABLE TIPO_FISCAL{SUFIXO} (
  CODIGO VARCHAR(10) NOT NULL,
  DESCRICAO VARCHAR(40),
  ABREVI VARCHAR(2),
  CONSTRAINT PK_TIPO_FISCAL{SUFIXO} PRIMARY KEY (CODIGO)
);

-- "1": invoices of this nature are exits (the NF-e's tpNF 1); else entries.
ALTER TABLE NATUREZA{SUFIXO} ADD TP_BASE VARCHAR(1);
