-- Invoices, the invoice numbers handed out per series, and the invoice
-- identifiers recorded on the rows of sales orders.

-- The invoice header. FATURA is the six-digit number, followed by the series
-- when the company writes numbers with their series (NotaComSerie "S"); the
-- same number may exist once per series. LOTE_NFE is the NF-e submission lot.
CREATE TABLE NOTA{SUFIXO} (
  FATURA VARCHAR(10) NOT NULL,
  SERIE VARCHAR(3) NOT NULL,
  LOTE_NFE INTEGER,
  CODCLI VARCHAR(10),
  NATUREZA VARCHAR(10),
  TRANSPORT VARCHAR(10),
  REDESP VARCHAR(10),
  CODREP VARCHAR(10),
  DOCTO VARCHAR(60),
  DT_EMISSAO DATE,
  VALOR NUMERIC(18,4),
  VAL_ICMS NUMERIC(18,4),
  VAL_PIS NUMERIC(18,4),
  VAL_COFINS NUMERIC(18,4),
  VAL_ICMS_DEST NUMERIC(18,4),
  CONSTRAINT PK_NOTA{SUFIXO} PRIMARY KEY (FATURA, SERIE)
);

-- Numbers handed out (reserved) per series, shared by every station: the next
-- number is the highest reserved one plus 1, and the key makes a number that
-- two stations try to reserve at once go to only one of them.
CREATE TABLE NOTA_NUMERO{SUFIXO} (
  NUMERO INTEGER NOT NULL,
  SERIE VARCHAR(3) NOT NULL,
  CONSTRAINT UK_NOTA_NUMERO{SUFIXO} UNIQUE (NUMERO, SERIE)
);
CREATE DESCENDING INDEX IX_NOTA_NUMERO{SUFIXO}_SERIE ON NOTA_NUMERO{SUFIXO} (SERIE, NUMERO);

-- Rows of a sales order as billing sees them: NOTAFISCAL is the invoice
-- identifier (six digits, optionally followed by the series) the order's
-- rows were given; rows with QTDE <= 0 do not count. Several rows per order.
CREATE TABLE PEDIDO3{SUFIXO} (
  NUMERO VARCHAR(12) NOT NULL,
  NOTAFISCAL VARCHAR(10),
  QTDE NUMERIC(18,4) DEFAULT 0
);
CREATE INDEX IX_PEDIDO3{SUFIXO}_NUMERO ON PEDIDO3{SUFIXO} (NUMERO);
CREATE INDEX IX_PEDIDO3{SUFIXO}_NOTA ON PEDIDO3{SUFIXO} (NOTAFISCAL);
