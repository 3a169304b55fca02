-- Invoice lines: the items of a stored invoice (product rows and the
-- observation, discount, surcharge, subtotal and address rows written from the
-- invoice's message set), the import-content statements (FCI) per item and
-- month, and each customer's standing lines copied into every new invoice.

-- Product rows carry EMPENHO "N". Non-product rows reuse COR for the value
-- kind and TAMANHO for the subtotal flag, so both stay plain text. DESCRICAO
-- holds the whole product name: the NF-e takes characters 1-120 as the name
-- and 121-200 as additional text. Rates are the percentages the tax rules
-- compute with in floating point.
CREATE TABLE NOTAITEN{SUFIXO} (
  FATURA VARCHAR(10) NOT NULL,
  CODIGO VARCHAR(20),
  COR VARCHAR(10),
  TAMANHO VARCHAR(10),
  DESCRICAO VARCHAR(200),
  VALOR NUMERIC(18,4) DEFAULT 0,
  PRECO NUMERIC(18,4) DEFAULT 0,
  EMPENHO VARCHAR(1),
  ORD_PED INTEGER,
  ORDEM INTEGER,
  TIPO VARCHAR(1),
  QTDE NUMERIC(18,4) DEFAULT 0,
  NATUREZA VARCHAR(10),
  CLA_FIS VARCHAR(10),
  CLA_TRIB VARCHAR(3),
  PEDIDO VARCHAR(12),
  TIPO_IT VARCHAR(1),
  DATA_MVTO DATE,
  QTDE_TRIB NUMERIC(18,4),
  PERC_ST DOUBLE PRECISION,
  PERC_RED DOUBLE PRECISION,
  BASE_ST NUMERIC(18,4),
  VALOR_ST NUMERIC(18,4),
  VALOR_ST_FCP NUMERIC(18,4),
  PERC_DIF DOUBLE PRECISION,
  VALOR_DIF NUMERIC(18,4),
  LOTE VARCHAR(20),
  UNIDADE VARCHAR(6),
  BASE_ICMS NUMERIC(18,4),
  PERC_ICMS DOUBLE PRECISION,
  TRIB_IPI VARCHAR(3),
  BASE_IPI NUMERIC(18,4),
  PERC_IPI DOUBLE PRECISION,
  TRIB_PIS VARCHAR(3),
  BASE_PIS NUMERIC(18,4),
  PERC_PIS DOUBLE PRECISION,
  TRIB_COFINS VARCHAR(3),
  BASE_COFINS NUMERIC(18,4),
  PERC_COFINS DOUBLE PRECISION,
  BASE_II NUMERIC(18,4),
  PERC_II DOUBLE PRECISION,
  NOTA_CLIENTE VARCHAR(20),
  VOLUMES NUMERIC(18,4),
  ORIGEM VARCHAR(1),
  DESCONTO NUMERIC(18,4),
  CHAVE_REF VARCHAR(44),
  VAL_FCP NUMERIC(18,4),
  VAL_ICMS_REMET NUMERIC(18,4),
  VAL_ICMS_DEST NUMERIC(18,4)
);
CREATE INDEX IX_NOTAITEN_FAT{SUFIXO} ON NOTAITEN{SUFIXO} (FATURA, ORD_PED);

-- Import-content statements (FCI) of an item kind and code per month
-- (NRANO_MES, YYYYMM): the number issued for the month and the import share
-- in percent. A month may be registered before its number arrives (NULL).
CREATE TABLE NOTA_FCI{SUFIXO} (
  TIPO VARCHAR(1) NOT NULL,
  CODIGO VARCHAR(20) NOT NULL,
  NRANO_MES INTEGER NOT NULL,
  NRFCI VARCHAR(40),
  PCFCI DOUBLE PRECISION DEFAULT 0,
  CONSTRAINT PK_NOTA_FCI{SUFIXO} PRIMARY KEY (TIPO, CODIGO, NRANO_MES)
);

-- A customer's standing invoice lines, one per position: the text, the line
-- kind (TIPO: A surcharge, D discount, C other, O observation), the value kind
-- (TIPO_V: V amount, P percentage), the subtotal flag and the amount or the
-- percentage.
CREATE TABLE EMPENHO_CLI{SUFIXO} (
  CODCLI VARCHAR(10) NOT NULL,
  ORDEM INTEGER NOT NULL,
  MENSAGEM VARCHAR(200),
  TIPO VARCHAR(1),
  TIPO_V VARCHAR(1),
  SUBTOTAL VARCHAR(1),
  VALOR DOUBLE PRECISION DEFAULT 0,
  CONSTRAINT PK_EMPENHO_CLI{SUFIXO} PRIMARY KEY (CODCLI, ORDEM)
);
