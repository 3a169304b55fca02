-- Per-company cost centres and the apportionment rules of the accounting
-- composer: how an amount is split over ledger accounts and each account's
-- share over cost centres.

-- Cost centres.
CREATE TABLE CENTROCUSTO{SUFIXO} (
  CODIGO VARCHAR(10) NOT NULL,
  DESCRICAO VARCHAR(50),
  CONSTRAINT PK_CENTROCUSTO{SUFIXO} PRIMARY KEY (CODIGO)
);

-- Apportionment rules. CODIGO is an item code, a material group, an
-- accounting nature, a financial class or an account, by TIPO ("M", "S", "P"
-- item kinds, "GM" material group, "N" nature, "C" class, "CT" account);
-- TIPO_VAL the value type the rule applies to. Each row gives CONTA its
-- PERC_CONTA % of the amount and cost centre CCUSTO its PERC_CCUSTO % of
-- that account's share (one row per account and cost centre).
CREATE TABLE CONT_RATEIO{SUFIXO} (
  CODIGO VARCHAR(20) NOT NULL,
  TIPO VARCHAR(2) NOT NULL,
  TIPO_VAL VARCHAR(2),
  CONTA VARCHAR(20) NOT NULL,
  PERC_CONTA DOUBLE PRECISION DEFAULT 0,
  CCUSTO VARCHAR(10),
  PERC_CCUSTO DOUBLE PRECISION DEFAULT 0
);
CREATE INDEX IX_CONT_RATEIO{SUFIXO} ON CONT_RATEIO{SUFIXO} (CODIGO, TIPO);
