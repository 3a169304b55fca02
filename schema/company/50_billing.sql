-- Per-company geography that the billing rules read: postal codes to cities,
-- cities to states, and the states' ICMS rates. The ICMS rules, the freight
-- quotation, the credit checks and the invoice address lines all reach a
-- customer's state through CEP -> CADCEP -> CIDADE -> TABUF.

CREATE TABLE CADCEP{SUFIXO} (
  CEP VARCHAR(9) NOT NULL,
  COD_CID VARCHAR(10),
  CONSTRAINT PK_CADCEP{SUFIXO} PRIMARY KEY (CEP)
);

CREATE TABLE CIDADE{SUFIXO} (
  COD_CID VARCHAR(10) NOT NULL,
  NOME_CID VARCHAR(60),
  COD_EST VARCHAR(2),
  CONSTRAINT PK_CIDADE{SUFIXO} PRIMARY KEY (COD_CID)
);

-- Rates are percentages the ICMS rules compute with in floating point.
-- ALIQUOTA: rate on operations to the state; ALIQ_INT: the state's internal
-- rate; PERC_FCP: its poverty-fund share; CODIGO: the state's numeric code.
CREATE TABLE TABUF{SUFIXO} (
  SIGLA_EST VARCHAR(2) NOT NULL,
  CODIGO VARCHAR(2),
  ALIQUOTA DOUBLE PRECISION DEFAULT 0,
  ALIQ_INT DOUBLE PRECISION DEFAULT 0,
  PERC_FCP DOUBLE PRECISION DEFAULT 0,
  CONSTRAINT PK_TABUF{SUFIXO} PRIMARY KEY (SIGLA_EST)
);
