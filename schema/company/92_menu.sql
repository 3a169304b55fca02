-- Per-user screen options: the state each user left a screen's controls in,
-- by the screen's class name (stored as the screen gives it, compared
-- upper-cased) and the control's name. Grid layouts are comma-joined field
-- lists, so VALOR is long.
CREATE TABLE OPCOES_USUARIO{SUFIXO} (
  TELA VARCHAR(100) NOT NULL,
  USUARIO VARCHAR(60) NOT NULL,
  COMPONENTE VARCHAR(100) NOT NULL,
  VALOR VARCHAR(4000),
  CONSTRAINT PK_OPCOES_USUARIO{SUFIXO} PRIMARY KEY (TELA, USUARIO, COMPONENTE)
);
