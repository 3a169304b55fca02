-- Demo users' passwords, screens with rules and a value limit. SENHA holds the
-- derived form of each password (Gera_FB_PASS of password, "&%$#(%&", login
-- name, "qmwzrtbe37x2p"): ADMIN's password is "admin", VENDEDOR's "vendas".
-- The derivation is slow on purpose, so these values are computed once here
-- (zpk call Gera_FB_PASS) and must be recomputed if its rounds ever change.

UPDATE ACESSO_USUARIOS SET SENHA = '50e90eedee98b6bfe77f1a5bf7ea88e5696ffcff1c839301930740a19d958543'
WHERE CODIGO = '001';
UPDATE ACESSO_USUARIOS SET SENHA = 'f8fa5bd3f532fedd9f51d0530a046bee24bc575995a809544b632db6411946b7'
WHERE CODIGO = '002';

UPDATE OR INSERT INTO ACESSO_MENU (NIVEL, NOME_FORM, NOME_BPL, RELATORIO, DESCRICAO, CAPTION, SALVAR_TELA)
VALUES ('1.01', 'TfmCadPedido', 'zpkVendas.bpl', NULL, 'Pedidos de Venda', 'Pedidos', 'S') MATCHING (NIVEL);
UPDATE OR INSERT INTO ACESSO_MENU (NIVEL, NOME_FORM, NOME_BPL, RELATORIO, DESCRICAO, CAPTION, SALVAR_TELA)
VALUES ('1.02', 'TfmRelFaturamento', 'zpkVendas.bpl', 'FAT01', 'Faturamento por Periodo', 'Faturamento', 'N')
MATCHING (NIVEL);

-- VENDEDOR (level "1") may consult and change orders but not delete them,
-- and may not see the billing report.
UPDATE OR INSERT INTO ACESSO (USUARIO, LOCAL, ALTERA, CONSULTA, EXCLUI) VALUES ('002', '1.01', 'Sim', 'Sim', 'Não')
MATCHING (USUARIO, LOCAL);
UPDATE OR INSERT INTO ACESSO (USUARIO, LOCAL, ALTERA, CONSULTA, EXCLUI) VALUES ('002', '1.02', 'Não', 'Não', 'Não')
MATCHING (USUARIO, LOCAL);

-- VENDEDOR grants discounts of at most 500.
UPDATE OR INSERT INTO VALIDA_CAMPO (TIPO, USUARIO, VALOR) VALUES ('DESCONTO', '002', 500) MATCHING (TIPO, USUARIO);
