-- Per-company tables of sales commissions: the representatives, the rules
-- that give an item's percentage, and the split of a commission between
-- representatives per customer (CLI_COM), order (PED_COM) and receivable
-- title (REC_COM). Percentages are fixed-point with four decimals.

-- Representatives; COMISSAO and COMISSAO2 are the default first and second
-- percentages of an order whose customer names none. Codes hold at most 5
-- characters, the width of the split screen's column.
CREATE TABLE REPRESEN{SUFIXO} (
  CODREP VARCHAR(5) NOT NULL,
  NOME VARCHAR(50),
  COMISSAO NUMERIC(18,4),
  COMISSAO2 NUMERIC(18,4),
  CNPJ VARCHAR(18),
  CONSTRAINT PK_REPRESEN{SUFIXO} PRIMARY KEY (CODREP)
);

-- Commission rules: CODREP "*" holds for every representative; discount
-- and payment-term bands are inclusive (both term bounds 0 or NULL: any
-- term). The item columns (REGIAO matched against the order's price table)
-- are NULL or empty when the rule is not specific to them; the look-up
-- treats both alike, so they stay nullable.
CREATE TABLE GRUPO_COMISSAO{SUFIXO} (
  CODREP VARCHAR(5) NOT NULL,
  DESC_DE NUMERIC(18,4) DEFAULT 0 NOT NULL,
  DESC_ATE NUMERIC(18,4) DEFAULT 0 NOT NULL,
  PRAZO_DE INTEGER,
  PRAZO_ATE INTEGER,
  REGIAO VARCHAR(10),
  PRODUTO VARCHAR(20),
  GRUPO VARCHAR(10),
  LINHA VARCHAR(10),
  MARCA VARCHAR(10),
  COMISSAO NUMERIC(18,4) DEFAULT 0 NOT NULL
);
CREATE INDEX IX_GRUPO_COMISSAO_REP{SUFIXO} ON GRUPO_COMISSAO{SUFIXO} (CODREP);

-- A customer's default split: one row per representative.
CREATE TABLE CLI_COM{SUFIXO} (
  CODCLI VARCHAR(10) NOT NULL,
  CODREP VARCHAR(5) NOT NULL,
  COM1 NUMERIC(18,4),
  COM2 NUMERIC(18,4),
  CONSTRAINT PK_CLI_COM{SUFIXO} PRIMARY KEY (CODCLI, CODREP)
);

-- An order's split: one row per representative.
CREATE TABLE PED_COM{SUFIXO} (
  NUMERO VARCHAR(12) NOT NULL,
  CODREP VARCHAR(5) NOT NULL,
  COM1 NUMERIC(18,4),
  COM2 NUMERIC(18,4),
  CONSTRAINT PK_PED_COM{SUFIXO} PRIMARY KEY (NUMERO, CODREP)
);

-- A receivable title's split; DT_COMISSAO is the date the representative's
-- commission was paid (NULL: not yet).
CREATE TABLE REC_COM{SUFIXO} (
  NUMERO VARCHAR(20) NOT NULL,
  CODREP VARCHAR(5) NOT NULL,
  COM1 NUMERIC(18,4),
  COM2 NUMERIC(18,4),
  DT_COMISSAO DATE,
  CONSTRAINT PK_REC_COM{SUFIXO} PRIMARY KEY (NUMERO, CODREP)
);
