-- Demo alternative layouts of company 001: the order confirmation has a
-- compact layout and one with the customer's signature.
UPDATE OR INSERT INTO REL_LAYOUT_001 (RELATORIO, ORDEM, LAYOUT) VALUES ('XPEDIDO', 1, 'Pedido resumido') MATCHING (RELATORIO, ORDEM);
UPDATE OR INSERT INTO REL_LAYOUT_001 (RELATORIO, ORDEM, LAYOUT) VALUES ('XPEDIDO', 2, 'Pedido com assinatura') MATCHING (RELATORIO, ORDEM);
