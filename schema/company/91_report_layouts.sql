-- Alternative layouts of the company's reports: the mode box offers the
-- standard layout and then these, by ORDEM; the layout chosen is the file
-- named after the report with the row's position appended (TPEDIDO2).
CREATE TABLE REL_LAYOUT{SUFIXO} (
  RELATORIO VARCHAR(60) NOT NULL,
  ORDEM INTEGER NOT NULL,
  LAYOUT VARCHAR(60),
  CONSTRAINT PK_REL_LAYOUT{SUFIXO} PRIMARY KEY (RELATORIO, ORDEM)
);
