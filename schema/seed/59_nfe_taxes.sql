-- What the NF-e's tax and payment groups read for the demo data: the
-- approximate-tax switch, the IPI situations and how each computes, and a
-- demo invoice whose customer buys for its own consumption in another state
-- (so its final-consumer line carries the DIFAL group).

-- FAT 410 "S": the NF-e shows the approximate tax of each item and of the
-- invoice (IBPT rate of the fiscal classification).
UPDATE OR INSERT INTO EMP_PARAM (CODIGO, TIPO, EMPRESA, VALOR) VALUES (410, 'FAT', '001', 'S') MATCHING (CODIGO, TIPO, EMPRESA);

-- IPI situations: TP_CALC "P" a rate on the base, "Q" a value per unit.
UPDATE OR INSERT INTO TABTRI_001 (TIPO, CODIGO, DESCRICAO, TP_CALC) VALUES ('IP', '50', 'SAIDA TRIBUTADA', 'P') MATCHING (TIPO, CODIGO);
UPDATE OR INSERT INTO TABTRI_001 (TIPO, CODIGO, DESCRICAO, TP_CALC) VALUES ('IP', '53', 'SAIDA NAO TRIBUTADA', 'P') MATCHING (TIPO, CODIGO);
UPDATE OR INSERT INTO TABTRI_001 (TIPO, CODIGO, DESCRICAO, TP_CALC) VALUES ('IP', '99', 'OUTRAS SAIDAS', 'P') MATCHING (TIPO, CODIGO);

-- The demo customer of invoice 009001 holds no state registration and is
-- registered as a final consumer (SIMPLES "M"): its NF-e goes to a
-- non-contributor (indIEDest 9) for final consumption in Rio de Janeiro.
UPDATE ENTIDADE_001 SET INSCRICAO = 'ISENTO', SIMPLES = 'M' WHERE CODCLI = '000901';

-- The demo invoice's freight is paid by the sender (CIF, modFrete 0).
UPDATE NOTA_001 SET CIF = '1' WHERE FATURA = '009001' AND SERIE = '1';
