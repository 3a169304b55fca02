-- What the authoriser answered for an invoice's NF-e, its events and the
-- numbers voided. A number whose NF-e was authorised, denied or voided is
-- spent for good: the tax authority holds it, so these rows are never deleted.

-- STATUS_NFE: the status code of the last answer about the NF-e itself (100
-- or 150 authorised; 110, 301, 302, 303 denied; another code: rejected, may be
-- corrected and sent again). MOTIVO_NFE its reason, DH_NFE when it was given.
-- CANCELADA_NFE "S" once the cancellation event is registered.
ALTER TABLE NOTA{SUFIXO}
  ADD STATUS_NFE INTEGER,
  ADD MOTIVO_NFE VARCHAR(255),
  ADD DH_NFE VARCHAR(25),
  ADD CANCELADA_NFE VARCHAR(1) DEFAULT 'N';

-- Events registered on an NF-e (110111 cancellation, 110110 correction
-- letter), one row per event and sequence; ARQUIVO is the event's
-- distribution file (procEventoNFe).
CREATE TABLE NFE_EVENTO{SUFIXO} (
  CHAVE VARCHAR(44) NOT NULL,
  TP_EVENTO VARCHAR(6) NOT NULL,
  SEQ INTEGER NOT NULL,
  PROTOCOLO VARCHAR(20),
  DH_REGISTRO VARCHAR(25),
  TEXTO VARCHAR(1000),
  ARQUIVO VARCHAR(255),
  CONSTRAINT PK_NFE_EVENTO{SUFIXO} PRIMARY KEY (CHAVE, TP_EVENTO, SEQ)
);

-- Ranges of reserved numbers that never became an invoice and were voided
-- with the authority, per series.
CREATE TABLE NFE_INUTILIZACAO{SUFIXO} (
  SERIE VARCHAR(3) NOT NULL,
  NUMERO_INI INTEGER NOT NULL,
  NUMERO_FIM INTEGER NOT NULL,
  PROTOCOLO VARCHAR(20),
  DH_RECBTO VARCHAR(25),
  JUSTIFICATIVA VARCHAR(255),
  ARQUIVO VARCHAR(255),
  CONSTRAINT PK_NFE_INUTILIZACAO{SUFIXO} PRIMARY KEY (SERIE, NUMERO_INI)
);
