-- Per-company tables around the receivable titles (RECEBER itself lives with
-- the credit position): collection batches and the numbers reserved for them,
-- the bank accounts they are sent through, the bank's instruction codes, the
-- instructions sent per title, and the payables whose batches share the
-- numbering rules.

-- Collection batches; TIPO "R" receivables, "P" payables. One number per
-- kind: the key turns two stations writing the same batch into an error.
CREATE TABLE BORDERO{SUFIXO} (
  NUMERO INTEGER NOT NULL,
  TIPO VARCHAR(1) NOT NULL,
  CONTA VARCHAR(10),
  CARTEIRA VARCHAR(10),
  DATA DATE,
  CONSTRAINT PK_BORDERO{SUFIXO} PRIMARY KEY (NUMERO, TIPO)
);

-- Batch numbers handed out by ProximoNumeroBordero, committed at once on a
-- connection of their own: a number is taken for every station the moment it
-- is given, and the key lets only one station take it.
CREATE TABLE BORDERO_NUMERO{SUFIXO} (
  NUMERO INTEGER NOT NULL,
  TIPO VARCHAR(1) NOT NULL,
  CONSTRAINT PK_BORDERO_NUMERO{SUFIXO} PRIMARY KEY (NUMERO, TIPO)
);

-- Bank and cash accounts; PENDENTE "S": movements start pending.
CREATE TABLE CADCONTA{SUFIXO} (
  CONTA VARCHAR(10) NOT NULL,
  BANCO VARCHAR(10),
  DESCRICAO VARCHAR(60),
  PENDENTE VARCHAR(1),
  CONSTRAINT PK_CADCONTA{SUFIXO} PRIMARY KEY (CONTA)
);

-- The occurrence code each bank uses for an instruction (protest, write-off...).
CREATE TABLE OCORRENCIA{SUFIXO} (
  BANCO VARCHAR(10) NOT NULL,
  INSTRUCAO VARCHAR(30) NOT NULL,
  CODIGO VARCHAR(10),
  CONSTRAINT PK_OCORRENCIA{SUFIXO} PRIMARY KEY (BANCO, INSTRUCAO)
);

-- Instructions sent to the bank for a title; INSTRUCAO holds the bank's
-- occurrence code. Several per title and day are allowed.
CREATE TABLE REC_MOV{SUFIXO} (
  NUMERO VARCHAR(20) NOT NULL,
  INSTRUCAO VARCHAR(10),
  BORDERO INTEGER,
  CONTA VARCHAR(10),
  CARTEIRA VARCHAR(10),
  DATA DATE
);
CREATE INDEX IX_REC_MOV_NUMERO{SUFIXO} ON REC_MOV{SUFIXO} (NUMERO);

-- Payable titles; LOTE is text holding the payables batch number.
CREATE TABLE PAGTO{SUFIXO} (
  NUM_AP VARCHAR(20) NOT NULL,
  CODCRE VARCHAR(10),
  VALOR NUMERIC(18,4),
  DT_VEN DATE,
  LOTE VARCHAR(10),
  CONSTRAINT PK_PAGTO{SUFIXO} PRIMARY KEY (NUM_AP)
);

-- The batch a receivable title was sent in, looked up while numbering batches.
CREATE INDEX IX_RECEBER_BORDERO{SUFIXO} ON RECEBER{SUFIXO} (BORDERO);
