-- The fiscal rules of ICMS per item: one row per fiscal classification,
-- destination state, customer kind, customer tax regime, operation type and
-- calculation mode. MOD_CALC is text and may be NULL (a rule without a mode
-- counts as mode "0" of tax substitution); REDUCAO is the rule's figure,
-- whose meaning depends on the mode (a percentage, an added-value factor as a
-- fraction, or a value per unit). Rates are percentages computed in floating
-- point; 0 means the state's rate of TABUF applies.
CREATE TABLE REDUCAO{SUFIXO} (
  TABFIS VARCHAR(10) NOT NULL,
  ESTADO VARCHAR(2) NOT NULL,
  TIPO VARCHAR(1) NOT NULL,
  TRIBUTACAO VARCHAR(1) NOT NULL,
  TP_OPER VARCHAR(1) NOT NULL,
  MOD_CALC VARCHAR(2),
  REDUCAO DOUBLE PRECISION DEFAULT 0,
  ALIQ_INT DOUBLE PRECISION DEFAULT 0,
  ALIQ_ST DOUBLE PRECISION DEFAULT 0,
  RED_ST DOUBLE PRECISION DEFAULT 0,
  PERC_FCP DOUBLE PRECISION DEFAULT 0,
  NATUREZA VARCHAR(10),
  TABTRIB VARCHAR(4),
  DESTACA_IMP VARCHAR(1),
  CONSTRAINT UQ_REDUCAO{SUFIXO} UNIQUE (TABFIS, ESTADO, TIPO, TRIBUTACAO, TP_OPER, MOD_CALC)
);
