-- Per-company calendar of the business-day routines: a row with DIA_UTIL "N"
-- marks a holiday; dates without a row are business days unless on a weekend.
CREATE TABLE ANO{SUFIXO} (
  DATA DATE NOT NULL,
  DIA_UTIL VARCHAR(1),
  CONSTRAINT PK_ANO{SUFIXO} PRIMARY KEY (DATA)
);
