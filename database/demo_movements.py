"""The demo company's movements: orders with items, invoices, returns and
status news; receivables and bank slips; orders received from handhelds;
one-time codes, devices and the change log. Used by generate-demo.py."""

import datagen
from datagen import Raw, date, days_ago, insert, money
from demo_master import BRANCH1_CNPJ, BRANCH2_CNPJ, BRANCH2_PRODUCTS, PRODUCTS, UNITS, primary_rep

# ---------------------------------------------------------------- orders

ORDER_OBS_LONG = ("Pedido tirado na visita de rotina. Cliente pediu para conferir a validade do "
                  "requeijão e do pão de queijo na entrega; recusa lotes com menos de 30 dias. ") * 20


def nfe_key(branch, number, code):
    """The 44-digit access key of an electronic invoice (NF-e), with its
    check digit: state 31 (MG), year and month, issuer CNPJ, model 55,
    series 1, number, emission type 1, a numeric code."""
    issuer = "".join(ch for ch in datagen.cnpj(174523, branch) if ch.isdigit())
    key = f"312411{issuer}55001{number:09d}1{code:08d}"
    weights = [2, 3, 4, 5, 6, 7, 8, 9]
    s = sum(int(d) * weights[i % 8] for i, d in enumerate(reversed(key))) % 11
    return key + ("0" if s < 2 else str(11 - s))


class Orders:
    """Collects orders, items, invoices and receivables, keeping their keys
    consistent."""

    def __init__(self):
        self.pedidos, self.itens, self.notas, self.receber = [], [], [], []
        self.nota_no = {1: 4500, 2: 870}

    def order(self, branch, pid, folha, client, rep, when, cond, form, table, status, items,
              palm=None, obs=None, prazo=None, invoices=1, files=True, slips=False, receivables=True,
              paid_first=False, paid_due=False, cobranca=1):
        """Adds an order with its items; invoices, receivables and bank
        slips as asked. items: (product, unit, quantity, unit price in cents).
        paid_first: the first instalment is paid; paid_due: every instalment
        already due is paid."""
        total = sum(q * p for _, _, q, p in items)
        cost = sum(q * (PRODUCTS[(prod - 1) % 40][5] or 500) for prod, _, q, _ in items)
        n_inst = {1: 1, 2: 1, 3: 2, 4: 3, 5: 1, 7: 1}.get(cond, 1)
        self.pedidos.append({
            "IDFILIAL": branch, "IDPEDIDO": pid, "IDFOLHA": folha, "IDCLIENTE": client, "IDREPRESENTANTE": rep,
            "DATAPEDIDO": when, "IDFORMAPAGTO": form, "IDCONDICAOPAGTO": cond, "IDTABELAPRECO": table,
            "SITUACAOPEDIDO": status, "TOTALPEDIDO": money(total), "TOTALCUSTO": money(cost),
            "PARCELA": n_inst, "OBSERVACAO": obs, "PRAZO_ANDROID": prazo, "IDPEDIDOPALM": palm,
            "LOCAL_FTP": f"/mobile/filial{branch}/{pid}/" if palm and files else None,
            "NOME_ARQUIVO_FTP": f"pedido_{pid}.pdf" if palm and files else None,
            "NOME_ARQUIVO_XML": f"pedido_{pid}.xml" if palm and files else None,
        })
        for n, (prod, unit, q, p) in enumerate(items, 1):
            factor = UNITS[unit - 1][3] if unit else 10000
            self.itens.append({
                "IDFILIAL": branch, "IDPEDIDO": pid, "IDFOLHA": folha, "IDITEM": n, "IDPRODUTO": prod,
                "IDUNIDADEMEDIDA": unit, "QTDEPEDIDO": money(q * 10000, 4), "PRECOVENDA": money(p),
                "FATORCONVERSAO": money(factor, 4), "TAXADESCONTO": money(0 if n % 2 else 250, 2),
                "PRECOTABELA": money(p + p // 20), "CUSTONOTA": money(PRODUCTS[(prod - 1) % 40][5] or 500),
            })
        for k in range(invoices):
            self.nota_no[branch] += 1
            key = nfe_key(branch, self.nota_no[branch], pid)
            self.notas.append({
                "IDFILIAL": branch, "IDNOTA": self.nota_no[branch], "SERIE": 1, "IDPEDIDO": pid, "IDFOLHA": folha,
                "DATAEMISSAO": when, "VALORTOTAL": money(total // invoices),
                "NOME_ARQ_ELETRONICO": f"{key}-nfe.xml" if files else None,
            })
        if not receivables or not isinstance(when, Raw) or "CURRENT_DATE" not in when.text:
            return
        age = int(when.text.split("-")[1]) if "-" in when.text else 0
        term = {1: 0, 2: 28, 3: 30, 4: 30, 5: 45, 7: 14}.get(cond, 30)
        for k in range(1, n_inst + 1):
            due = age - term * k           # days ago of the due date (negative: in the future)
            paid = (paid_first and k == 1) or (paid_due and due > 0)
            row = {
                "IDFILIAL": branch, "IDRECEBER": pid, "IDFOLHA": folha, "IDORDEM": k, "IDPARCIAL": 0,
                "IDREPRESENTANTE": rep, "IDCLIENTE": client, "IDFORMAPAGTO": form, "IDCOBRANCA": cobranca,
                "DOCUMENTO": f"{pid}/{k}", "DATAEMISSAO": when, "DATAVENCIMENTO": days_ago(due),
                "VALORDOCUMENTO": money(total // n_inst),
                "DATAPAGAMENTO": days_ago(max(due, 1)) if paid else None,
                "VALORJUROS": money(0) if paid else None,
                "VALORPAGAMENTO": money(total // n_inst) if paid else None,
                "F_PARCIAL": "N" if paid else None, "IDCAIXA": 2 if paid and branch == 1 else None,
            }
            if slips:
                bank = "001" if branch == 1 else "237"
                nosso = f"{2893041 if branch == 1 else 77120}{pid:06d}{k:02d}"
                row.update({
                    "GB_CODIGOBANCO": bank, "GB_DATA_VENCIMENTO": days_ago(due), "GB_DATABOLETO": when,
                    "GB_NOSSONUMERO": nosso, "GB_DIGITONOSSONUMERO": str(sum(map(int, nosso)) % 10),
                    "LINHA_DIGITAVEL": f"{bank}9{nosso[:4]}.{nosso[4:9]} {nosso[9:14]}.{pid:06d}"
                                       f" {k:05d}.{total // n_inst:06d} 1 {9000 + k:04d}{total // n_inst:010d}",
                })
            self.receber.append(row)


def story_orders(o):
    # Client 1, branch 1: five orders; the 5 March 2012 one is the oldest.
    o.order(1, 1001, 99, 1, 1, date(2012, 3, 5), 2, 2, 1, "F",
            [(1, 3, 2, 14990), (3, 2, 1, 38900)], palm=3, receivables=False)
    o.order(1, 1050, 99, 1, 1, days_ago(120), 3, 1, 1, "F",
            [(1, 1, 10, 2990), (2, None, 20, 899), (4, 3, 1, 13900)], palm=95, paid_first=True)
    o.order(1, 1080, 1, 1, None, days_ago(60), 1, 1, 4, "F", [(5, 1, 12, 849)], invoices=0, receivables=False)
    o.order(1, 1100, 99, 1, 1, days_ago(30), 2, 2, 1, "F",
            [(3, 1, 10, 1999), (999, 1, 5, 1000), (14, 2, 1, 29900)], palm=110, obs=ORDER_OBS_LONG,
            invoices=2, receivables=False)
    o.order(1, 1120, 99, 1, 1, days_ago(5), 4, 2, 2, "P",
            [(1, 3, 3, 14500), (6, 2, 2, 18900), (10, 2, 1, 19900), (17, 4, 6, 4290)], palm=118,
            prazo=28, slips=True, cobranca=2)
    o.order(1, 1125, 2, 1, 1, days_ago(5), 1, 1, 1, "P", [(28, 1, 10, 299)], invoices=0, receivables=False)
    # Client 3: an old order without a date.
    o.order(1, 1010, 99, 3, 1, None, 1, 1, 1, "F", [(2, 1, 3, 899)], invoices=0, receivables=False)
    # Client 4: a 90-day-old debt.
    o.order(1, 1200, 99, 4, 1, days_ago(118), 2, 1, 1, "F", [(19, 2, 1, 49900), (13, 3, 2, 4490)], palm=98)
    # Client 8: due ten days ago.
    o.order(1, 1300, 99, 8, 2, days_ago(38), 2, 1, 2, "F", [(17, 4, 12, 4190), (8, 1, 10, 790)])
    # Client 2: due in the future.
    o.order(1, 1310, 99, 2, 1, days_ago(13), 2, 2, 1, "F", [(14, 2, 2, 24900)], palm=116, slips=True, cobranca=2)
    # Branch 2, client 201.
    o.order(2, 5001, 99, 201, 3, days_ago(68), 2, 2, 11, "F", [(1, 3, 4, 15200), (2, 1, 30, 959)], palm=50,
            slips=True, cobranca=2)
    o.order(2, 5002, 99, 201, 3, days_ago(3), 3, 2, 11, "P", [(5, 2, 2, 8900), (3, 2, 1, 41000)], palm=57,
            invoices=0)


def generated_orders(o, client_list):
    rng = datagen.Rng(2024)
    next_id = {1: 2001, 2: 6001}
    for c in client_list:
        cid, branch = c["IDCLIENTE"], c["IDFILIAL"]
        if cid <= 10 or cid == 201 or c.get("EXCLUIDO") or not rng.percent(40):
            continue
        rep = primary_rep(cid) or (1 if branch == 1 else 3)
        products = [p[0] for p in PRODUCTS] if branch == 1 else BRANCH2_PRODUCTS
        for _ in range(rng.between(1, 3)):
            pid = next_id[branch]
            next_id[branch] += 1
            items = []
            for prod in sorted({rng.choice(products) for _ in range(rng.between(1, 5))}):
                base, pack = PRODUCTS[prod - 1][3], PRODUCTS[prod - 1][4]
                unit = pack if pack and rng.percent(50) else base
                cost = PRODUCTS[prod - 1][5] or 1000
                mult = UNITS[unit - 1][3] // 10000
                items.append((prod, unit, rng.between(1, 12), cost * mult * 135 // 100))
            age = rng.between(1, 200)
            cond = rng.choice([1, 2, 2, 3, 4])
            o.order(branch, pid, rng.choice([99, 99, 99, 1]), cid, rep, days_ago(age), cond,
                    rng.choice([1, 2, 2, 3, 5]), 1 if branch == 1 else 11,
                    "F" if age > 7 else "P", items, palm=rng.between(1, 117) if rng.percent(50) else None,
                    invoices=1 if age > 7 else 0, paid_due=not rng.percent(10),
                    cobranca=rng.choice([1, 1, 1, 2, 3]))


def orders(w, client_list):
    o = Orders()
    story_orders(o)
    generated_orders(o, client_list)
    w.section("orders of the ERP (IDFOLHA 99: orders that came from the handhelds)")
    w.rows("PEDIDO", o.pedidos)
    w.rows("ITENSPEDIDO", o.itens)
    w.section("invoices")
    w.rows("NOTA", o.notas)
    w.emit(insert("NOTA", {"IDFILIAL": 1, "IDNOTA": 4400, "SERIE": 2, "IDPEDIDO": None, "IDFOLHA": None,
                         "DATAEMISSAO": date(2023, 11, 7), "VALORTOTAL": money(125000),
                         "NOME_ARQ_ELETRONICO": None}))
    w.section("returns")
    w.rows("DEVOLUCAO", [{"IDFILIAL": 1, "IDPEDIDO": 1050, "IDFOLHA": 99, "IDCLIENTE": 1, "DATAPEDIDO": days_ago(110),
                        "IDFORMAPAGTO": 1, "IDCONDICAOPAGTO": 3, "IDTABELAPRECO": 1, "SITUACAOPEDIDO": "D",
                        "TOTALPEDIDO": money(17980), "TOTALCUSTO": money(13780), "PARCELA": 1}])
    w.section("status news for the handhelds (MOBILE_STATUS NULL: not yet acknowledged)")
    w.rows("PEDIDO_STATUS", [
        {"IDPEDIDO_STATUS": i, "IDFILIAL": f, "IDPEDIDO": p, "IDREPRESENTANTE": r, "STATUS": s,
         "MOBILE_STATUS": m, "DATA_STATUS": Raw(f"CURRENT_TIMESTAMP - {d}")}
        for i, f, p, r, s, m, d in [
            (1, 1, 1050, 1, "Entregue", "*", 118), (2, 1, 1100, 1, "Faturado", "*", 29),
            (3, 1, 1120, 1, "Pedido recebido", None, 5), (4, 1, 1120, 1, "Em separação", None, 4),
            (5, 1, 1300, 2, "Aguardando aprovação de crédito", None, 37),
            (6, 2, 5002, 3, "Pedido recebido", None, 3)]])
    return o


# ----------------------------------------------------------- receivables

def receivables(w, o):
    w.section("collection types, cash and bank accounts")
    w.rows("COBRANCA", [{"IDFILIAL": f, "IDCOBRANCA": i, "DESCRICAO": d, "ENVIAR_ANDROID": e} for f, i, d, e in [
        (1, 1, "Carteira", "S"), (1, 2, "Boleto Banco do Brasil", "S"), (1, 3, "Cartório", "N"),
        (1, 4, "Cobrança terceirizada", None),
        (2, 1, "Carteira", "S"), (2, 2, "Boleto Bradesco", "S"), (2, 3, "Cartório", "N")]])
    slip_msg = "Após o vencimento cobrar multa de 2% e juros de 1% ao mês. Não receber após 30 dias."
    w.rows("CAIXA", [
        {"IDFILIAL": 1, "IDCAIXA": 1, "DESCRICAO": "Caixa Escritório"},
        {"IDFILIAL": 1, "IDCAIXA": 2, "DESCRICAO": "Caixa dos Representantes"},
        {"IDFILIAL": 1, "IDCAIXA": 3, "DESCRICAO": "Banco do Brasil S.A.", "GB_CODIGOBANCO": "001",
         "GB_NOMECLIENTE": "Distribuidora Serra Azul Ltda", "GB_CODIGOCEDENTE": "2893041",
         "GB_DIGITOCODIGOCEDENTE": "7", "GB_CODIGOAGENCIA": "3411", "GB_DIGITOAGENCIA": "X",
         "GB_TIPOCARTEIRA": "17", "GB_MENSAGEM_BOLETO": slip_msg,
         "LOCAL_PAGAMENTO": "Pagável em qualquer banco até o vencimento",
         "GB_JUROS_MES": money(10000, 4), "GB_MULTA": money(20000, 4)},
        {"IDFILIAL": 1, "IDCAIXA": 4, "DESCRICAO": "Itaú Unibanco S.A.", "GB_CODIGOBANCO": "341",
         "GB_NOMECLIENTE": "Distribuidora Serra Azul Ltda", "GB_CODIGOCEDENTE": "45120",
         "GB_DIGITOCODIGOCEDENTE": "3", "GB_CODIGOAGENCIA": "0712", "GB_DIGITOAGENCIA": None,
         "GB_TIPOCARTEIRA": "109", "GB_MENSAGEM_BOLETO": None, "LOCAL_PAGAMENTO": None,
         "GB_JUROS_MES": None, "GB_MULTA": None},
        {"IDFILIAL": 2, "IDCAIXA": 1, "DESCRICAO": "Caixa Uberlândia"},
        {"IDFILIAL": 2, "IDCAIXA": 2, "DESCRICAO": "Banco Bradesco S.A.", "GB_CODIGOBANCO": "237",
         "GB_NOMECLIENTE": "Distribuidora Serra Azul Ltda - Filial Uberlândia", "GB_CODIGOCEDENTE": "77120",
         "GB_DIGITOCODIGOCEDENTE": "0", "GB_CODIGOAGENCIA": "2207", "GB_DIGITOAGENCIA": "4",
         "GB_TIPOCARTEIRA": "09", "GB_MENSAGEM_BOLETO": slip_msg,
         "LOCAL_PAGAMENTO": "Pagável preferencialmente nas agências do Bradesco",
         "GB_JUROS_MES": money(8000, 4), "GB_MULTA": money(20000, 4)},
    ])
    w.section("receivables (dates relative to the creation day; see README)")
    w.rows("RECEBER", o.receber)

    def standalone(branch, rid, client, rep, due, value, cobranca=1, **extra):
        row = {"IDFILIAL": branch, "IDRECEBER": rid, "IDFOLHA": 1, "IDORDEM": 1, "IDPARCIAL": 0,
               "IDREPRESENTANTE": rep, "IDCLIENTE": client, "IDFORMAPAGTO": None, "IDCOBRANCA": cobranca,
               "DOCUMENTO": f"AV-{rid}", "DATAEMISSAO": days_ago(due + 30), "DATAVENCIMENTO": days_ago(due),
               "VALORDOCUMENTO": money(value)}
        row.update(extra)
        return row
    w.rows("RECEBER", [
        standalone(1, 5004, 4, 1, 35, 31000, cobranca=3),       # overdue, but sent to the notary
        standalone(1, 5005, 5, 1, 60, 18990),                    # the deleted client's debt
        standalone(1, 5003, 3, 1, 4, 0),                         # a zero amount: never listed
        standalone(1, 5007, 7, 2, 20, 60000, F_PARCIAL="S", DATAPAGAMENTO=days_ago(19),
                   VALORJUROS=money(0), VALORPAGAMENTO=money(10000), IDCAIXA=2),
        standalone(1, 5007, 7, 2, 20, 50000, IDPARCIAL=1),      # the rest of a partial payment
        standalone(1, 5009, 9, 1, 31, 4500, cobranca=4),         # collection type without a flag
        standalone(1, 5010, 10, None, 75, 12000),                # a client nobody serves
    ])


# ------------------------------------------------ received from handhelds

def received(w):
    w.section("orders already received from the handhelds")
    base = {"IDFILIAL": 1, "IDREPRESENTANTE": 1, "IDFORMAPAGTO": 2, "IDCONDICAOPAGTO": 4, "IDTABELAPRECO": 2,
            "SITPEDIDO": "P", "TOTAL_DESCONTO": money(0), "NATOPERACAO": "5405", "IDCONSIGNACAO": 0,
            "TIPOCLIENTE": "J", "CLIENTE_CONTRIBUINTE": "S", "IDATIVIDADE": 1, "IDCONVENIO": 1, "IDREGIAO": 1,
            "IDCIDADE": 1, "FAX": ""}
    p118 = dict(base, IDPEDIDOPALM=118, DTEMISSAO=days_ago(5), DATAPEDIDO=days_ago(5), IDCLIENTE=1,
                TOTAL_PEDIDO=money(153240), TOTAL_COM_DECONTO=money(153240), PARCELA=3, PRAZO=28,
                NMRAZAO="Supermercado Bom Preço Ltda", NMFANTASIA="Bom Preço", ENDERECO="Avenida Amazonas, 2210",
                CEP="30180-001", BAIRRO="Centro", CNPJ=datagen.cnpj(1), IE="", CPF="", RG="",
                FONE="(31) 3271-0099", CELULAR="", EMAIL="compras@bompreco.com.br",
                OBS_EXTENSO="Entregar após as 14h. Conferir validade do leite condensado.",
                DTRECEBIMENTO=Raw("CURRENT_TIMESTAMP - 5"))
    p119 = dict(base, IDPEDIDOPALM=119, DTEMISSAO=days_ago(1), DATAPEDIDO=days_ago(1), IDCLIENTE=6,
                IDCONDICAOPAGTO=2, TOTAL_PEDIDO=money(87450), TOTAL_COM_DECONTO=money(87450), PARCELA=1,
                NMRAZAO="Açougue Boi de Ouro Ltda", NMFANTASIA="Boi de Ouro", ENDERECO="Rua Padre Marinho, 45",
                CEP="33010-120", BAIRRO="Centro", CNPJ=datagen.cnpj(6), IE="", CPF="", RG="",
                FONE="(31) 3641-2200", CELULAR="(31) 98877-1122", EMAIL="", IDATIVIDADE=6, IDCIDADE=6,
                IDREGIAO=2, DTRECEBIMENTO=Raw("CURRENT_TIMESTAMP - 1"))
    w.rows("PEDIDOPALM", [p118, p119])
    w.rows("ITENSPEDIDOPALM", [
        {"IDFILIAL": 1, "IDREPRESENTANTE": 1, "IDPEDIDOPALM": p, "IDPRODUTO": prod, "UNIDADEMEDIDA": u,
         "QTDEPEDIDO": money(q * 10000, 4), "VALORUNITARIO": money(v, 2), "DESCONTO": money(d, 2),
         "VALORUNITARIOTABELA": money(t, 2), "OBSERVACAO": obs}
        for p, prod, u, q, v, d, t, obs in [
            (118, 1, 3, 3, 14500, 0, 14500, None), (118, 6, 2, 2, 18900, 0, 18900, None),
            (118, 10, 2, 1, 19900, 500, 20400, "Cliente pediu a embalagem nova"),
            (118, 17, 4, 6, 4290, 0, 4290, None),
            (119, 39, 4, 25, 2490, 0, 2490, "Peça de 5 kg"), (119, 40, 4, 5, 4390, 0, 4390, None)]])
    w.rows("CLIENTE_PALM", [
        {"IDREGISTRO": 1, "IDFILIAL": 1, "IDCLIENTE": 9001, "NMRAZAO": "Açougue Boi de Ouro Ltda",
         "NMFANTASIA": "Boi de Ouro", "ENDERECO": "Rua Padre Marinho, 45", "NUMERO": "", "CEP": "33010-120",
         "BAIRRO": "Centro", "IDCIDADE": 6, "TIPOCLIENTE": "J", "CNPJ": datagen.cnpj(6), "IE": "", "CPF": "",
         "RG": "", "FONE": "(31) 3641-2200", "FAX": "", "CELULAR": "(31) 98877-1122", "EMAIL": "",
         "ALTERADO": "I", "IDATIVIDADE": 6, "IDCONVENIO": 1, "IDREGIAO": 2, "IDTABELAPRECO": 0,
         "CONTRIBUINTE": "S", "CLIENTE_CONTRIBUINTE": "S", "IDREPRESENTANTE": 1, "DATA_IMPORT": days_ago(2),
         "HORA_IMPORT": Raw("TIME '16:42:10'")}])


# ------------------------------------- codes, devices and the change log

def housekeeping(w):
    w.section("one-time codes (STATUS NULL: not yet used)")
    w.rows("SENHA_PALM", [
        {"IDCONTROLE": i, "IDFILIAL": f, "IDREPRESENTANTE": r, "SENHA": s, "STATUS": st,
         "DTGERACAO": days_ago(g), "DTDEUSO": None if u is None else days_ago(u)}
        for i, f, r, s, st, g, u in [
            (1, 1, 1, "482915", None, 30, None), (2, 1, 1, "739204", None, 30, None),
            (3, 1, 1, "150387", "U", 60, 10), (4, 1, 2, "604118", None, 15, None),
            (5, 1, 4, "000123", None, 400, None), (6, 2, 3, "917365", None, 7, None),
            (7, 2, 5, "288001", "U", 90, 80)]])
    w.section("handheld devices (by the branch's CNPJ)")
    w.rows("CELULARES", [
        {"CNPJ": c, "IMEI": i, "REPRESENTANTE": r, "DT_PRIMEIRO_ACESSO": days_ago(a),
         "DT_ULTIMO_ACESSO": days_ago(b), "BLOQUEAR": bl}
        for c, i, r, a, b, bl in [
            (BRANCH1_CNPJ, "358240051111110", "João Carlos Ribeiro", 400, 1, "N"),
            (BRANCH1_CNPJ, "358240052222220", "Maria Aparecida D'Ávila", 200, 3, "N"),
            (BRANCH1_CNPJ, "358240053333330", "Sebastião Araújo", 700, 390, "S"),
            (BRANCH1_CNPJ, "358240054444440", None, 900, 900, None),
            (BRANCH2_CNPJ, "358240055555550", "Antônio Gonçalves Filho", 150, 2, "N"),
            (BRANCH2_CNPJ, "358240051111110", "João Carlos Ribeiro", 60, 60, "S")]])
    w.section("change log for the handhelds")
    w.rows("LOG_ALTERACAO_ANDROID", [
        {"IDLOG": n, "IDFILIAL": f, "IDREPRESENTANTE": r, "TIPO": t, "ID": i, "ID_2": i2, "SITUACAO": s,
         "DATA_ALTERACAO": Raw(f"CURRENT_TIMESTAMP - {d}")}
        for n, (f, r, t, i, i2, s, d) in enumerate([
            (1, 1, "CLIENTE", 6, None, "I", 2), (1, 1, "CLIENTE", 1, None, "A", 3),
            (1, 1, "CLIENTE", 5, None, "E", 9), (1, 1, "PRODUTO", 3, 0, "A", 4),
            (1, 1, "ITENSTABELAPRECO", 1, 10, "A", 1), (1, 1, "ITENSTABELAPRECO", 1, 11, "A", 1),
            (1, 1, "ITENSTABELAPRECO", 1, 12, "A", 1), (1, 1, "ITENSTABELAPRECO", 2, 10, None, 1),
            (1, 1, "CONDPGTCLIENTE", 1, 4, "I", 6),
            (1, 2, "CLIENTE", 7, None, "A", 2), (1, 2, "PRODUTO", 9, None, "A", 5),
            (2, 3, "CLIENTE", 201, None, "A", 1)], 1)])


