"""The demo company's master data: branches and their options, reference
lists, price tables, representatives, products, clients and consignments.
Used by generate-demo.py; README.md tells the story these rows carry."""

import datagen
from datagen import date, days_ago, money

# ------------------------------------------------------------ branches

BRANCH1_CNPJ = datagen.cnpj(174523, 1)
BRANCH2_CNPJ = datagen.cnpj(174523, 2)

FLAGS = ["N_ESCOLHER_CONDICAO", "N_ESCOLHER_FORMA", "N_ESCOLHER_TABELA", "N_ALTERA_CLIENTE",
         "N_INCLUI_CLIENTE", "VEND_TRABALHA_C_CONSIG", "FAZER_CONSISTENCIA_MOBILE",
         "FATURAR_ESTOQUE_NEGATIVO", "NAO_ALTERAR_PRECO_VENDA_MOBILE", "PERMITIR_ACRESCIMO_MOBILE",
         "PERMITIR_DESCONTO_MOBILE", "USAR_TABELA_REP_MOBILE", "LEVAR_TODOS_CLIENTES_MOB",
         "TRATAR_CLI_NOVOS_MOBILE"]


def branches(w):
    w.section("branches and their options")
    b1 = {"IDFILIAL": 1, "RAZAO": "Distribuidora Serra Azul Ltda", "FANTASIA": "Serra Azul Matriz",
          "CNPJ": BRANCH1_CNPJ, "INSESTADUAL": "062.418.335/0017", "ENDERECO": "Avenida Amazonas, 4120",
          "BAIRRO": "Gameleira", "CEP": "30510-000", "CIDADE": "Belo Horizonte", "UF": "MG",
          "FONE": "(31) 3328-4100", "NATOPERACAO_MOBILE": "5405", "DEF_CAIXA": 2,
          "SENHA_ADMIN_MOBILE": "4321", "PORTA_MOBILE": 8081}
    b1.update(dict(zip(FLAGS, ["N", "N", "S", "N", "N", "S", "S", "N", "N", "S", "S", "S", "N", "S"])))
    b2 = {"IDFILIAL": 2, "RAZAO": "Distribuidora Serra Azul Ltda - Filial Uberlândia",
          "FANTASIA": "Serra Azul Triângulo", "CNPJ": BRANCH2_CNPJ, "INSESTADUAL": "702.118.904/0035",
          "ENDERECO": "Avenida João Naves de Ávila, 1331", "BAIRRO": "Santa Mônica", "CEP": "38408-100",
          "CIDADE": "Uberlândia", "UF": "MG", "FONE": "(34) 3214-7700", "NATOPERACAO_MOBILE": None,
          "DEF_CAIXA": None, "SENHA_ADMIN_MOBILE": None, "PORTA_MOBILE": None}
    b2.update(dict(zip(FLAGS, ["S", "S", "N", "S", "N", "N", "s", "N", None, "N", "S", "N", "S", "N"])))
    b3 = {"IDFILIAL": 3, "RAZAO": "Serra Azul Depósito Contagem", "FANTASIA": None, "CNPJ": None,
          "ENDERECO": "Rua Dois, 80", "BAIRRO": "Cinco", "CEP": "32010-000", "CIDADE": "Contagem",
          "UF": "MG", "PORTA_MOBILE": 0}
    w.rows("FILIAL", [b1, b2, b3])
    w.rows("CONFIGURACAO", [
        {"IDFILIAL": 1, "MOSTRA_MARGEM": "S", "RECEBER_ULT_PEDIDOS_ANDROID": "S", "USAR_BOLETO_ANDROID": "S",
         "VERIFICAR_CLI_ATRASO_MOB": "S", "DIAS_EM_ATRASO_MOB": 30, "MOSTRAR_OBS_CLI_MOBILE": "S",
         "PORTA_FTP": 21, "CAMINHO_FTP_MOBILE": "ftp://ftp.serraazul.com.br/mobile/",
         "IMAGENS_NO_ANDROID": "S", "DIGITAR_PRAZO_ANDROID": "N", "USAR_NFE_SIMPLIFICADA": "N"},
        {"IDFILIAL": 2, "MOSTRA_MARGEM": None, "RECEBER_ULT_PEDIDOS_ANDROID": "N", "USAR_BOLETO_ANDROID": "s",
         "VERIFICAR_CLI_ATRASO_MOB": "N", "DIAS_EM_ATRASO_MOB": 15, "MOSTRAR_OBS_CLI_MOBILE": "N",
         "PORTA_FTP": None, "CAMINHO_FTP_MOBILE": None, "IMAGENS_NO_ANDROID": "N",
         "DIGITAR_PRAZO_ANDROID": "S", "USAR_NFE_SIMPLIFICADA": None},
    ])


# ------------------------------------------------------- reference data

CITIES = [  # id, name, state, region
    (1, "Belo Horizonte", "MG", 1), (2, "Contagem", "MG", 2), (3, "Betim", "MG", 2),
    (4, "Nova Lima", "MG", 2), (5, "Sete Lagoas", "MG", 2), (6, "Santa Luzia", "MG", 2),
    (7, "Sabará", "MG", 2), (8, "Olhos-d'Água", "MG", 5), (9, "Uberlândia", "MG", 3),
    (10, "Uberaba", "MG", 3), (11, "Araguari", "MG", 3), (12, "Patos de Minas", "MG", 4),
    (13, "Ituiutaba", "MG", 3), (14, "São João del-Rei", "MG", 5),
    (15, "Conceição do Mato Dentro", "MG", 5),
]
REGION_OF_CITY = {c[0]: c[3] for c in CITIES}
BRANCH1_CITIES = [1, 1, 1, 1, 1, 2, 2, 3, 4, 5, 6, 7, 8, 14, 15]
BRANCH2_CITIES = [9, 9, 9, 9, 10, 10, 11, 12, 13]


def reference(w):
    w.section("reference data (EXCLUIDO = 'S' marks the deleted rows)")
    w.rows("ATIVIDADE", [{"IDATIVIDADE": i, "NOME": n, "EXCLUIDO": x} for i, n, x in [
        (1, "Supermercado", None), (2, "Mercearia", None), (3, "Padaria e Confeitaria", None),
        (4, "Bar e Restaurante", None), (5, "Lanchonete", None), (6, "Açougue", None),
        (7, "Farmácia e Drogaria", None), (8, "Hortifrúti", None), (9, "Distribuidor", "S"),
        (10, "Loja de Conveniência", None)]])
    w.rows("CIDADE", [{"IDCIDADE": i, "NOME": n, "UF": uf, "EXCLUIDO": None} for i, n, uf, _ in CITIES]
         + [{"IDCIDADE": 16, "NOME": "Vila Teste (desativada)", "UF": "MG", "EXCLUIDO": "S"}])
    w.rows("REGIAO", [{"IDREGIAO": i, "NOME": n, "EXCLUIDO": x} for i, n, x in [
        (1, "Belo Horizonte - Centro-Sul", None), (2, "Região Metropolitana", None),
        (3, "Triângulo Mineiro", None), (4, "Alto Paranaíba", None), (5, "Campo das Vertentes", None),
        (6, "Norte de Minas (inativa)", "S")]])
    w.rows("CONVENIO", [{"IDCONVENIO": i, "DESCRICAO": n, "EXCLUIDO": x} for i, n, x in [
        (1, "Sem convênio", None), (2, "Rede Compras Já", None),
        (3, "Associação Mineira de Supermercados", None), (4, "Rede Pão D'Minas", None),
        (5, "Convênio antigo 2015", "S")]])
    w.rows("CONDICAOPAGTO", [{"IDCONDICAOPAGTO": i, "DESCRICAO": n, "PARCELA": p, "PRAZO": d, "EXCLUIDO": x}
                           for i, n, p, d, x in [
        (1, "À vista", 1, 0, None), (2, "28 dias", 1, 28, None), (3, "30/60 dias", 2, 30, None),
        (4, "30/60/90 dias", 3, 30, None), (5, "Negociação especial", None, None, None),
        (6, "Antecipado", 1, 0, "S"), (7, None, 1, 14, None)]])
    w.rows("FORMAPAGTO", [{"IDFORMAPAGTO": i, "DESCRICAO": n, "EXCLUIDO": x} for i, n, x in [
        (1, "Dinheiro", None), (2, "Boleto bancário", None), (3, "Cheque", None),
        (4, "Cartão de crédito", None), (5, "Pix", None), (6, "Nota promissória", "S")]])


# ---------------------------------------------------------- price tables

def price_tables(w):
    w.section("price tables (TABELAPALM = 'S': sent to the handhelds)")
    w.rows("TABELAPRECO", [{"IDFILIAL": f, "IDTABELAPRECO": i, "DESCRICAO": n, "TABELAPALM": p, "EXCLUIDO": x}
                         for f, i, n, p, x in [
        (1, 1, "Tabela Padrão Varejo", "S", None), (1, 2, "Tabela Atacado", "S", None),
        (1, 3, "Promoção de Natal", "S", "S"), (1, 4, "Tabela Interna de Custos", "N", None),
        (2, 11, "Tabela Triângulo", "S", None), (2, 12, "Tabela Antiga Uberlândia", "S", "S")]])


# ------------------------------------------------------- representatives

REPS = [  # id, branch, name, price table, last handheld order, quota, consignment, deleted
    (1, 1, "João Carlos Ribeiro", 1, 118, money(8500000), "N", None),
    (2, 1, "Maria Aparecida D'Ávila", 2, None, None, "S", None),
    (3, 2, "Antônio Gonçalves Filho", 11, 57, money(4000000), "N", None),
    (4, 1, "Sebastião Araújo", 3, 12, money(1500000), "N", "S"),
    (5, 2, "Luíza Helena Conceição", None, 0, money(2000000), None, None),
]


def representatives(w):
    w.section("representatives (4 is deleted; 5 has no price table)")
    w.rows("REPRESENTANTE", [
        {"IDREPRESENTANTE": i, "IDFILIAL": f, "NOME": n,
         "FONE": f"({31 if f == 1 else 34}) 9{8800 + i}-{1000 * i + 234:04d}",
         "EMAIL": datagen.ascii_fold(n).split()[0] + f".rep{i}@serraazul.com.br",
         "IDTABELAPRECO": t, "IDPEDIDOPALM": p, "COTAS": q,
         "CONTROLA_PRODUTO_REPRESENTANTE": c, "EXCLUIDO": x}
        for i, f, n, t, p, q, c, x in REPS])


# -------------------------------------------------------------- products

PRODUCTS = [  # id, description, packaging, base unit (1 UN, 4 KG), pack unit, unit cost in cents
    (1, "Arroz Tipo 1 Tio Jorge 5kg", "FD 6X5KG", 1, 3, 2390),
    (2, "Feijão Carioca Tipo 1 1kg", "FD 10X1KG", 1, 3, 689),
    (3, "Café Torrado e Moído Três Corações 500g", "CX 20X500G", 1, 2, 1599),
    (4, "Açúcar Cristal 5kg", "FD 6X5KG", 1, 3, 1850),
    (5, "Óleo de Soja 900ml", "CX 20X900ML", 1, 2, 649),
    (6, "Leite Condensado 395g", "CX 27X395G", 1, 2, 589),
    (7, "Macarrão Espaguete 500g", "FD 20X500G", 1, 3, 349),
    (8, "Farinha de Mandioca Torrada 1kg", "FD 10X1KG", 1, 3, 579),
    (9, "Biscoito Cream Cracker 400g", "CX 20X400G", 1, 2, 459),
    (10, "Biscoito Amanteigado D'Avó 300g", "CX 24X300G", 1, 2, 699),
    (11, "Sabão em Pó 1kg", "CX 20X1KG", 1, 2, 1199),
    (12, "Água Sanitária 2L", "CX 6X2L", 1, 2, 549),
    (13, "Refrigerante Guaraná 2L", "FD 6X2L", 1, 3, 689),
    (14, "Pão de Queijo Congelado 1kg", "CX 10X1KG", 1, 2, 1890),
    (15, "Doce de Leite Viçosa 400g", "CX 12X400G", 1, 2, 1249),
    (16, "Requeijão Cremoso 200g", "CX 24X200G", 1, 2, 699),
    (17, "Queijo Minas Frescal", "KG", 4, None, 3290),
    (18, "Goiabada Cascão 300g", "CX 24X300G", 1, 2, 589),
    (19, "Cachaça Artesanal Salinas 700ml", "CX 12X700ML", 1, 2, 3490),
    (20, "Azeite de Oliva Extra Virgem 500ml", "CX 12X500ML", 1, 2, 3290),
    (21, "Sardinha em Óleo 125g", "CX 50X125G", 1, 2, None),
    (22, "Extrato de Tomate 340g", "CX 24X340G", 1, 2, 399),
    (23, "Fubá Mimoso 1kg", "FD 10X1KG", 1, 3, 449),
    (24, "Polvilho Azedo 500g", "FD 20X500G", 1, 3, 799),
    (25, "Achocolatado em Pó 400g", "CX 24X400G", 1, 2, 849),
    (26, "Maionese 500g", "CX 12X500G", 1, 2, 899),
    (27, "Margarina com Sal 500g", "CX 12X500G", 1, 2, 749),
    (28, "Sal Refinado Iodado 1kg", "FD 10X1KG", 1, 3, 229),
    (29, "Vinagre de Álcool 750ml", "CX 12X750ML", 1, 2, 299),
    (30, "Detergente Neutro 500ml", "CX 24X500ML", 1, 2, 249),
    (31, "Papel Higiênico Folha Dupla 12 rolos", "FD 4X12", 1, 3, 1999),
    (32, "Amaciante de Roupas 2L", "CX 6X2L", 1, 2, 1390),
    (33, "Esponja Dupla Face", "CX 60UN", 1, 2, 149),
    (34, "Creme Dental 90g", "CX 72X90G", 1, 2, 399),
    (35, "Sabonete Glicerina 85g", "CX 72X85G", 1, 2, 229),
    (36, "Fósforo Longo c/ 10 caixas", "FD 25X10", 1, 3, 459),
    (37, "Vela Branca nº 7", "CX 20X8UN", 1, 2, 899),
    (38, "Pé de Moleque 50g", "DSP 50UN", 1, 2, 119),
    (39, "Linguiça Calabresa Defumada", "KG", 4, None, 2490),
    (40, "Carne Seca Dianteiro", "KG", 4, None, 4390),
]
DELETED_PRODUCTS = {7}          # EXCLUIDO = 'S', still active
INACTIVE_PRODUCTS = {13, 38}    # SITUACAOPRODUTO = 'I'
NULL_PRODUCTS = {21}            # no stock, cost or image
BRANCH2_PRODUCTS = list(range(1, 26))

UNITS = [  # id, description, abbreviation, factor in 1/10000, type
    (1, "Unidade", "UN", 10000, "P"), (2, "Caixa", "CX", 120000, "S"), (3, "Fardo", "FD", 60000, "S"),
    (4, "Quilograma", "KG", 10000, "P"), (5, "Pacote", "PCT", 10000, "S"), (6, "Dúzia", "DZ", 120000, "S"),
]


def product_rows(branch):
    rng = datagen.Rng(100 + branch)
    ids = [p[0] for p in PRODUCTS] if branch == 1 else BRANCH2_PRODUCTS
    out = []
    for pid, desc, pack, _, _, cost in PRODUCTS:
        if pid not in ids:
            continue
        null = pid in NULL_PRODUCTS and branch == 1
        out.append({
            "IDFILIAL": branch, "IDPRODUTO": pid, "ESPECIFICACAO": desc, "EMBALAGEM": pack,
            "QTDEATUAL": None if null else money(rng.between(0, 900) * 100 + (rng.below(1000) if pack == "KG" else 0), 2),
            "CUSTONOTAUNIT": None if null or cost is None else money((cost * (100 + 4 * (branch - 1))) // 100),
            "NOME_ARQ_IMAGEM": None if null else f"produto_{pid:04d}.jpg",
            "SITUACAOPRODUTO": "I" if pid in INACTIVE_PRODUCTS else "A",
            "EXCLUIDO": "S" if pid in DELETED_PRODUCTS and branch == 1 else None,
        })
    return out


def price(cost_cents, table):
    markup = {1: 135, 2: 118, 3: 125, 4: 100, 11: 138, 12: 130}[table]
    return money(cost_cents * markup, 4)


def products(w):
    w.section("products, units and prices (see README: deleted, inactive, NULL rows)")
    for branch in (1, 2):
        w.rows("PRODUTO", product_rows(branch))
    for branch in (1, 2):
        units = UNITS if branch == 1 else UNITS[:4]
        w.rows("UNIDADEMEDIDA", [{"IDFILIAL": branch, "IDUNIDADEMEDIDA": i, "DESCRICAO": d, "ABREVIATURA": a,
                                "FATORCONVERSAO": money(f, 4), "TIPO_UNIDADE": t} for i, d, a, f, t in units])
    for branch in (1, 2):
        ids = [p[0] for p in PRODUCTS] if branch == 1 else BRANCH2_PRODUCTS
        n = 0
        out = []
        for pid, _, _, base, pack, _ in PRODUCTS:
            if pid not in ids:
                continue
            for unit in [base] + ([pack] if pack else []):
                n += 1
                out.append({"IDFILIAL": branch, "IDUNIDADEPRODUTO": n, "IDPRODUTO": pid,
                            "IDUNIDADEMEDIDA": unit, "CODIGOBARRAS": datagen.ean13(branch * 100000 + n)})
            if branch == 1 and pid == 1:
                # The same fardo of rice with a second bar code: a duplicate pairing.
                n += 1
                out.append({"IDFILIAL": 1, "IDUNIDADEPRODUTO": n, "IDPRODUTO": 1, "IDUNIDADEMEDIDA": 3,
                            "CODIGOBARRAS": datagen.ean13(199999)})
        w.rows("UNIDADEPRODUTO", out)
    rng = datagen.Rng(7)
    out = []
    for table, branch, ids in [(1, 1, range(1, 41)), (2, 1, range(1, 41)), (3, 1, range(1, 21)),
                               (4, 1, range(1, 41)), (11, 2, BRANCH2_PRODUCTS), (12, 2, range(1, 6))]:
        for pid in ids:
            cost = PRODUCTS[pid - 1][5] or 1000
            rate = {1: None if pid % 3 == 0 else 0, 2: 50000, 3: 100000, 4: None, 11: 30000, 12: 0}[table]
            out.append({"IDFILIAL": branch, "IDTABELAPRECO": table, "IDPRODUTO": pid,
                        "TAXADESCONTO": None if rate is None else money(rate, 4),
                        "PRECOUNIT": None if (table == 1 and pid == 21) else price(cost, table)})
    w.rows("ITENSTABELAPRECO", out)


# --------------------------------------------------------------- clients

LONG_NOTE = (
    "Cliente desde 2009. Compra semanalmente medicamentos isentos de prescrição, higiene e "
    "perfumaria. O gerente, Sr. Délio, só recebe representantes às terças e quintas-feiras, "
    "das 9h às 11h30. Exige nota fiscal eletrônica enviada por e-mail antes da entrega e "
    "conferência do pedido na presença do conferente da loja. "
) * 6 + "FIM DA OBSERVAÇÃO."

STORY_CLIENTS = [
    # id, branch, name, fantasy, type, city, activity, rep, extras
    (1, 1, "Supermercado Bom Preço Ltda", "Bom Preço", "J", 1, 1, 1,
     {"IDTABELAPRECO": 2, "SITUACAOCREDITO": "L", "OBSERVACAO": "Entregar pela doca 2, até as 10h."}),
    (2, 1, "Padaria Pão D'Ouro Ltda", "Pão D'Ouro", "J", 2, 3, 1, {"SITUACAOCREDITO": "L"}),
    (3, 1, "Maria José da Conceição", None, "F", 3, 2, 1,
     {"CEP": None, "EMAIL": None, "FANTASIA": None, "BAIRRO": None}),
    (4, 1, "Bar e Restaurante Sant'Ana Ltda", "Bar Sant'Ana", "J", 1, 4, 1, {"SITUACAOCREDITO": "B"}),
    (5, 1, "Mercearia São Judas Tadeu Ltda", "Mercearia São Judas", "J", 7, 2, 1, {"EXCLUIDO": "S"}),
    (6, 1, "Açougue Boi de Ouro Ltda", "Boi de Ouro", "J", 6, 6, 1,
     {"IDCLIENTE_PALM": 9001, "IDREPRESENTANTE_PALM": 1, "DTCADASTRO": days_ago(2)}),
    (7, 1, "Drogaria Popular do Barreiro Ltda", "Drogaria Popular", "J", 1, 7, 2, {"OBSERVACAO": LONG_NOTE}),
    (8, 1, "José Geraldo D'Ávila Gonçalves", "Zé do Sacolão", "F", 1, 8, 2, {}),
    (9, 1, "Cliente Cadastro Incompleto", None, None, None, None, 1, {}),
    (10, 1, "Hortifrúti Olhos-d'Água Ltda", "Sacolão Olhos-d'Água", "J", 8, 8, None, {}),
    (201, 2, "Supermercado Triângulo Ltda", "Triângulo", "J", 9, 1, 3,
     {"IDTABELAPRECO": 11, "SITUACAOCREDITO": "L"}),
]
SECONDARY_LINKS = [(2, 4), (3, 2)] + [(2, c) for c in range(100, 111)]  # (rep, client)
DELETED_EVERY = 20


def primary_rep(cid):
    if cid <= 10:
        return next(c[7] for c in STORY_CLIENTS if c[0] == cid)
    if cid <= 110:
        return 1
    if cid <= 190:
        return 2
    if cid <= 200:
        return 4
    if cid <= 270:
        return 3
    if cid <= 290:
        return 5
    return None


def client_row(rng, cid, branch, name, fantasy, kind, city, activity, rep, extras):
    row = {"IDCLIENTE": cid, "IDFILIAL": branch, "NOME": name, "FANTASIA": fantasy}
    if city is None:  # the incomplete record: only a name
        row.update({"DTCADASTRO": date(2011, 8, 30), "IDREPRESENTANTE": rep})
        return row
    street, hood, cep = datagen.address(rng, city)
    doc = {"CNPJ": datagen.cnpj(cid), "INSESTADUAL": f"{rng.between(100, 999)}.{rng.between(100, 999)}."
           f"{rng.between(100, 999)}/{rng.between(1000, 9999)}", "CPF": None, "RG": None} if kind == "J" else \
        {"CNPJ": None, "INSESTADUAL": None, "CPF": datagen.cpf(cid),
         "RG": f"MG-{rng.between(10, 99)}.{rng.between(100, 999)}.{rng.between(100, 999)}"}
    email = datagen.ascii_fold(fantasy or name).replace(" ", ".")[:40] + "@exemplo.com.br"
    row.update({"ENDERECO": street, "BAIRRO": hood, "CEP": cep, "IDCIDADE": city, "TIPOCLIENTE": kind})
    row.update(doc)
    row.update({
        "FONE": datagen.phone(rng, city),
        "FAX": datagen.phone(rng, city) if rng.percent(10) else None,
        "CELULAR": datagen.phone(rng, city, mobile=True) if rng.percent(80) else None,
        "EMAIL": email if rng.percent(75) else None,
        "IDCONVENIO": rng.choice([1, 1, 1, 1, 2, 3, 4]) if branch == 1 else rng.choice([1, 1, 2]),
        "IDREGIAO": REGION_OF_CITY[city], "IDATIVIDADE": activity,
        "IDTABELAPRECO": None, "CONTRIBUINTE": "S" if kind == "J" else "N",
        "CLIENTE_CONTRIBUINTE": "S" if kind == "J" else "N",
        "SITUACAOCREDITO": rng.choice(["L", "L", "L", "L", "B", None]),
        "OBSERVACAO": rng.choice([None, None, None, None, "Não aceita cheque.",
                                  "Entregar pela manhã.", "Fecha às segundas-feiras."]),
        "DTCADASTRO": date(rng.between(2008, 2024), rng.between(1, 12), rng.between(1, 28)),
        "IDREPRESENTANTE": rep, "IDCLIENTE_PALM": None, "IDREPRESENTANTE_PALM": None,
        "EXCLUIDO": "S" if cid % DELETED_EVERY == 0 else None,
    })
    row.update(extras)
    return row


def all_clients():
    rng = datagen.Rng(42)
    out = []
    story = {c[0]: c for c in STORY_CLIENTS}
    for cid in range(1, 301):
        if cid in story:
            _, branch, name, fantasy, kind, city, activity, rep, extras = story[cid]
            out.append(client_row(rng, cid, branch, name, fantasy, kind, city, activity, rep, extras))
            continue
        branch = 1 if cid <= 200 else 2
        city = rng.choice(BRANCH1_CITIES if branch == 1 else BRANCH2_CITIES)
        activity = rng.choice([1, 2, 2, 3, 3, 4, 4, 5, 6, 7, 8, 10])
        if rng.percent(72):
            kind = "J"
            name, fantasy = datagen.business_name(rng, activity)
        else:
            kind = "F"
            name = datagen.person_name(rng)
            fantasy = None if rng.percent(60) else name.split()[0] + " " + rng.choice(["Lanches", "Bar", "Doces", "Mercearia"])
        extras = {}
        if cid == 150:
            extras = {"IDCLIENTE_PALM": 7001, "IDREPRESENTANTE_PALM": 2, "DTCADASTRO": days_ago(1)}
        if cid in (33, 120, 215):
            extras["IDTABELAPRECO"] = 11 if branch == 2 else 1
        out.append(client_row(rng, cid, branch, name, fantasy, kind, city, activity, primary_rep(cid), extras))
    return out


def clients(w, client_list):
    w.section("clients: 1-200 in branch 1, 201-300 in branch 2 (README tells who is who)")
    w.emit("/* A trigger links each client to its IDREPRESENTANTE in REPCLIENTE. */")
    w.rows("CLIENTE", client_list)
    w.section("further representatives serving a client")
    w.rows("REPCLIENTE", [{"IDREPRESENTANTE": r, "IDCLIENTE": c} for r, c in SECONDARY_LINKS])
    w.section("payment terms and forms allowed per client")
    rng = datagen.Rng(9)
    terms, forms = [], []
    for c in client_list:
        cid = c["IDCLIENTE"]
        if cid == 10:
            continue  # no terms or forms at all
        t = [1, 2, 3, 4] if cid == 1 else sorted({1, rng.choice([2, 3, 4, 5, 7])} | ({6} if cid == 2 else set()))
        f = [1, 2, 5] if cid == 1 else sorted({1, rng.choice([2, 3, 4, 5])})
        terms += [{"IDCLIENTE": cid, "IDCONDICAOPAGTO": x} for x in t]
        forms += [{"IDCLIENTE": cid, "IDFORMAPAGTO": x} for x in f]
    w.rows("CONDPGTCLIENTE", terms)
    w.rows("PAGTOCLIENTE", forms)
    w.section("prices agreed per client and product")
    w.rows("CLIENTE_PRODUTO", [
        {"IDFILIAL": 1, "IDCLIENTE": 1, "IDPRODUTO": 1, "PRECO_VENDA": money(299000, 4), "PRECO_ATUAL": money(305000, 4)},
        {"IDFILIAL": 1, "IDCLIENTE": 1, "IDPRODUTO": 2, "PRECO_VENDA": money(85000, 4), "PRECO_ATUAL": money(89900, 4)},
        {"IDFILIAL": 1, "IDCLIENTE": 1, "IDPRODUTO": 3, "PRECO_VENDA": money(199000, 4), "PRECO_ATUAL": money(199000, 4)},
        {"IDFILIAL": 1, "IDCLIENTE": 1, "IDPRODUTO": 4, "PRECO_VENDA": None, "PRECO_ATUAL": money(239000, 4)},
        {"IDFILIAL": 1, "IDCLIENTE": 2, "IDPRODUTO": 14, "PRECO_VENDA": money(239900, 4), "PRECO_ATUAL": None},
        {"IDFILIAL": 1, "IDCLIENTE": 4, "IDPRODUTO": 19, "PRECO_VENDA": money(429000, 4), "PRECO_ATUAL": money(439000, 4)},
        {"IDFILIAL": 2, "IDCLIENTE": 201, "IDPRODUTO": 1, "PRECO_VENDA": money(315000, 4), "PRECO_ATUAL": money(315000, 4)},
        {"IDFILIAL": 2, "IDCLIENTE": 201, "IDPRODUTO": 2, "PRECO_VENDA": money(91000, 4), "PRECO_ATUAL": money(93500, 4)},
        {"IDFILIAL": 2, "IDCLIENTE": 2, "IDPRODUTO": 5, "PRECO_VENDA": money(82000, 4), "PRECO_ATUAL": money(82000, 4)},
    ])


# ---------------------------------------------------------- consignments

def consignments(w):
    w.section("consignments (SITUACAO 'A' open, 'F' closed)")
    w.rows("CONSIGNACAO", [
        {"IDFILIAL": 1, "IDCONSIGNACAO": 1, "IDREPRESENTANTE": 2, "SITUACAO": "A", "DATAABERTURA": days_ago(20)},
        {"IDFILIAL": 1, "IDCONSIGNACAO": 2, "IDREPRESENTANTE": 2, "SITUACAO": "F", "DATAABERTURA": days_ago(80)},
        {"IDFILIAL": 1, "IDCONSIGNACAO": 3, "IDREPRESENTANTE": 1, "SITUACAO": "A", "DATAABERTURA": days_ago(6)},
        {"IDFILIAL": 2, "IDCONSIGNACAO": 11, "IDREPRESENTANTE": 3, "SITUACAO": "A", "DATAABERTURA": days_ago(12)},
    ])
    w.rows("ITENS_CONSIGNACAO", [
        {"IDFILIAL": f, "IDCONSIGNACAO": c, "IDPRODUTO": p, "QTDE_ENTRADA": None if e is None else money(e, 0),
         "QTDE_SAIDA": None if s is None else money(s, 0)}
        for f, c, p, e, s in [
            (1, 1, 1, 40, 12), (1, 1, 2, 60, 60), (1, 1, 3, 30, 5), (1, 1, 15, 24, 0), (1, 1, 21, 50, None),
            (1, 2, 1, 20, 20), (1, 2, 9, 48, 40),
            (1, 3, 14, 20, 4), (1, 3, 17, 15, 2),
            (2, 11, 1, 30, 10), (2, 11, 5, 40, 8)]])


