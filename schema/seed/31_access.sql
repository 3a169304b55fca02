-- Demo users' passwords, screens with rules and a value limit. SENHA holds the
-- derived form of each password (Gera_FB_PASS of password, "&%$#(%&", login
-- name, "qmwzrtbe37x2p"): ADMIN's password is "admin", VENDEDOR's "vendas".
-- The derivation is slow on purpose, so these values are computed once here
-- (zpk call Gera_FB_PASS) and must be recomputed if its rounds ever change.

UPDATE ACESSO_USUARIOS SET SENHA = '9145378b5cbab45a3ea3888aaaadcc21d5d0750320a672e183f9fabbe66b056c'
WHERE CODIGO = '001';
UPDATE ACESSO_USUARIOS SET SENHA = '0c96913e3ee836a1ed3dae57b4f79c2e541e48fe411190e4326710b7b06354b8'
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
