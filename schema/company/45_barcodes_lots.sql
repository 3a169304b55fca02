-- Per-company tables of barcode and lot numbering: what has been handed out
-- (so that no two stations ever get the same barcode or lot number), weaving
-- orders, the quality verdicts of production lots and item substitutions.

-- Every barcode handed out, by kind: "P" product EAN-13, "M" material EAN-13,
-- "I" the products' six-digit internal code. PA_ITEN and MAT_ITEN repeat a
-- barcode on every deposit, lot and quality row of its item, so they cannot
-- hold the key themselves: a station inserts the code here first, and the one
-- that loses the race is refused by the key and draws the next number.
CREATE TABLE BARRA_EMITIDA{SUFIXO} (
  TIPO VARCHAR(1) NOT NULL,
  BARRA VARCHAR(28) NOT NULL,
  CODIGO VARCHAR(20),
  COR VARCHAR(10),
  TAM VARCHAR(10),
  DT_EMISSAO TIMESTAMP DEFAULT CURRENT_TIMESTAMP,
  CONSTRAINT PK_BARRA_EMITIDA{SUFIXO} PRIMARY KEY (TIPO, BARRA)
);

-- Lot numbers handed out under a prefix (rolls of PA_ITEN and MAT_ITEN,
-- weaving orders of TECELB) before the caller stores the lot: the key lets
-- only one station take a number; a number never stored stays taken.
CREATE TABLE LOTE_EMITIDO{SUFIXO} (
  TABELA VARCHAR(31) NOT NULL,
  PREFIXO VARCHAR(20) NOT NULL,
  NUMERO BIGINT NOT NULL,
  DT_EMISSAO TIMESTAMP DEFAULT CURRENT_TIMESTAMP,
  CONSTRAINT PK_LOTE_EMITIDO{SUFIXO} PRIMARY KEY (TABELA, PREFIXO, NUMERO)
);

-- Weaving orders; LOTE is a six-character prefix followed by a three-digit number.
CREATE TABLE TECELB{SUFIXO} (
  LOTE VARCHAR(20) NOT NULL,
  CODIGO VARCHAR(20),
  DATA DATE,
  CONSTRAINT PK_TECELB{SUFIXO} PRIMARY KEY (LOTE)
);

-- Production lots: expiry date (DATA2) and quality verdict (STATUS "1"
-- approved with restrictions, "2" rejected, "3" under analysis, else free).
CREATE TABLE OF2{SUFIXO} (
  CODIGO VARCHAR(20) NOT NULL,
  NUMERO VARCHAR(20) NOT NULL,
  DATA2 DATE,
  STATUS VARCHAR(1),
  OBS VARCHAR(200),
  CONSTRAINT PK_OF2{SUFIXO} PRIMARY KEY (CODIGO, NUMERO)
);

-- Item substitutions inside a document: one per document, original item and colour.
CREATE TABLE OUT_MOV{SUFIXO} (
  DATA_MOV DATE,
  NUM_DOCTO VARCHAR(20) NOT NULL,
  CODIGO_ORIG VARCHAR(20) NOT NULL,
  CODIGO_DEST VARCHAR(20),
  COR VARCHAR(10) NOT NULL,
  COR_DEST VARCHAR(10),
  TP_ITEN VARCHAR(10),
  TP_MOV VARCHAR(10),
  QTDE NUMERIC(18,4),
  CONSTRAINT PK_OUT_MOV{SUFIXO} PRIMARY KEY (NUM_DOCTO, CODIGO_ORIG, COR)
);

-- Barcode look-ups (the highest code, "is this code taken?") read these columns.
CREATE INDEX IX_PA_ITEN_BARRA{SUFIXO} ON PA_ITEN{SUFIXO} (BARRA);
CREATE INDEX IX_MAT_ITEN_BARRA{SUFIXO} ON MAT_ITEN{SUFIXO} (BARRA);
