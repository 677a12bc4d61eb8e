#!/usr/bin/env python3
"""Writes SQL that adds a large volume of clients to a fieldsync database.

Usage: generate-large.py [--clients N] [--first-id ID] > large.sql

The clients belong to branch 1 and to the representative 90, "Representante
Volume" (created here), so that GetCliente(90) and GetTodosClientes return
them all. Every client has all the columns of the client query filled, with
Portuguese names and accents; every fourth one has an unpaid receivable,
some of them overdue. The output is deterministic for the same arguments.

Rows are written as EXECUTE BLOCKs of a few hundred rows each, calling a
local sub-procedure per row, which isql-fb loads far faster than one INSERT
statement per row. Run it after schema.sql and demo-data.sql (it needs the
branch, the reference rows and the collection type 1); create-db.sh
--large N does that. Python 3 standard library only.
"""

import argparse
import sys

sys.dont_write_bytecode = True  # keep the source tree free of __pycache__

import datagen

VOLUME_REP = 90
BRANCH = 1
# Cities, regions and price tables of branch 1 (see demo-data.sql).
CITIES = [1, 1, 1, 1, 2, 2, 3, 4, 5, 6, 7, 8, 14, 15]
REGION_OF_CITY = {1: 1, 2: 2, 3: 2, 4: 2, 5: 2, 6: 2, 7: 2, 8: 5, 14: 5, 15: 5}
ACTIVITIES = [1, 2, 3, 4, 5, 6, 7, 8, 10]
# Statement text of one EXECUTE BLOCK stays well below Firebird 3's 64 KB.
MAX_BLOCK_BYTES = 60000

CLIENT_PARAMS = (
    "ID INTEGER, NOME VARCHAR(60), FANTASIA VARCHAR(60), ENDERECO VARCHAR(80), "
    "BAIRRO VARCHAR(40), CEP VARCHAR(10), IDCIDADE INTEGER, TIPO CHAR(1), "
    "CNPJ VARCHAR(18), IE VARCHAR(20), CPF VARCHAR(14), RG VARCHAR(20), "
    "FONE VARCHAR(20), CELULAR VARCHAR(20), EMAIL VARCHAR(100), "
    "IDCONVENIO INTEGER, IDATIVIDADE INTEGER, IDTABELAPRECO INTEGER, "
    "CONTRIB CHAR(1), SITCRED CHAR(1), OBS VARCHAR(200), CADASTRO DATE, "
    "VENCE INTEGER, VALOR NUMERIC(15,4)"
)

CLIENT_BODY = """
    DECLARE IDREGIAO INTEGER;
  BEGIN
    IDREGIAO = CASE IDCIDADE %(regions)s END;
    INSERT INTO CLIENTE (IDCLIENTE, IDFILIAL, NOME, FANTASIA, ENDERECO, BAIRRO, CEP,
      IDCIDADE, TIPOCLIENTE, CNPJ, INSESTADUAL, CPF, RG, FONE, FAX, CELULAR, EMAIL,
      IDCONVENIO, IDREGIAO, IDATIVIDADE, IDTABELAPRECO, CONTRIBUINTE,
      CLIENTE_CONTRIBUINTE, SITUACAOCREDITO, OBSERVACAO, DTCADASTRO, IDREPRESENTANTE)
    VALUES (:ID, %(branch)d, :NOME, :FANTASIA, :ENDERECO, :BAIRRO, :CEP,
      :IDCIDADE, :TIPO, :CNPJ, :IE, :CPF, :RG, :FONE, NULL, :CELULAR, :EMAIL,
      :IDCONVENIO, :IDREGIAO,
      :IDATIVIDADE, :IDTABELAPRECO, :CONTRIB, :CONTRIB, :SITCRED, :OBS, :CADASTRO, %(rep)d);
    IF (VENCE IS NOT NULL) THEN
      INSERT INTO RECEBER (IDFILIAL, IDRECEBER, IDFOLHA, IDORDEM, IDPARCIAL,
        IDREPRESENTANTE, IDCLIENTE, IDFORMAPAGTO, IDCOBRANCA, DOCUMENTO,
        DATAEMISSAO, DATAVENCIMENTO, VALORDOCUMENTO)
      VALUES (%(branch)d, :ID, 1, 1, 0, %(rep)d, :ID, 2, 1, 'V' || :ID,
        CURRENT_DATE - :VENCE - 30, CURRENT_DATE - :VENCE, :VALOR);
"""

OBSERVATIONS = [
    None, None, None, None,
    "Entregar pela manhã, até as 11h.",
    "Não aceita cheque de terceiros.",
    "Cliente pede nota fiscal com o CNPJ da matriz.",
    "Descarga pelos fundos, portão azul.",
    "Fecha para almoço das 12h às 13h30.",
]


def client_values(rng, cid):
    """The sub-procedure's arguments for client cid, as SQL literals."""
    city = rng.choice(CITIES)
    activity = rng.choice(ACTIVITIES)
    street, hood, cep = datagen.address(rng, city)
    if rng.percent(70):
        name, fantasy = datagen.business_name(rng, activity)
        kind, doc_cnpj, doc_cpf = "J", datagen.cnpj(cid), None
        ie = f"{rng.between(100, 999)}.{rng.between(100, 999)}.{rng.between(100, 999)}/{rng.between(1000, 9999)}"
        rg, contrib = None, "S"
    else:
        name = datagen.person_name(rng)
        fantasy = name if rng.percent(30) else None
        kind, doc_cnpj, doc_cpf = "F", None, datagen.cpf(cid)
        ie, rg, contrib = None, f"MG-{rng.between(10, 99)}.{rng.between(100, 999)}.{rng.between(100, 999)}", "N"
    email = None
    if rng.percent(60):
        email = datagen.ascii_fold(fantasy or name).replace(" ", ".")[:40] + f"{cid % 1000}@exemplo.com.br"
    due = None
    value = None
    if cid % 4 == 0:
        due = rng.choice([-20, -5, 3, 12, 25, 31, 45, 60, 90, 150])
        value = datagen.money(rng.between(5000, 900000))
    cadastro = datagen.date(rng.between(2005, 2024), rng.between(1, 12), rng.between(1, 28))
    values = [
        cid, name, fantasy, street, hood, cep, city, kind, doc_cnpj, ie, doc_cpf, rg,
        datagen.phone(rng, city), datagen.phone(rng, city, mobile=True), email,
        rng.choice([1, 1, 1, 2, 3, 4]), activity, rng.choice([None, None, 1, 2]),
        contrib, rng.choice(["L", "L", "L", "B", None]), rng.choice(OBSERVATIONS),
        cadastro, due, value,
    ]
    return ", ".join(datagen.lit(v) for v in values)


def block_header():
    regions = " ".join(f"WHEN {c} THEN {r}" for c, r in sorted(REGION_OF_CITY.items()))
    body = CLIENT_BODY % {"branch": BRANCH, "rep": VOLUME_REP, "regions": regions}
    return (
        "EXECUTE BLOCK AS\n"
        f"  DECLARE PROCEDURE C ({CLIENT_PARAMS})\n"
        f"  AS{body}  END\n"
        "BEGIN\n"
    )


def write(out, clients, first_id):
    out.write("/* Large volume for benchmarks: written by generate-large.py "
              f"--clients {clients} --first-id {first_id}. */\n\n")
    out.write(datagen.insert("REPRESENTANTE", {
        "IDREPRESENTANTE": VOLUME_REP, "IDFILIAL": BRANCH, "NOME": "Representante Volume",
        "IDTABELAPRECO": 1, "IDPEDIDOPALM": 0, "COTAS": datagen.money(100000000),
        "CONTROLA_PRODUTO_REPRESENTANTE": "N",
    }) + "\nCOMMIT;\n\nSET TERM ^ ;\n")
    rng = datagen.Rng(20240601)
    header = block_header()
    block = [header]
    size = len(header.encode("utf-8"))
    written = 0
    for cid in range(first_id, first_id + clients):
        line = f"  EXECUTE PROCEDURE C({client_values(rng, cid)});\n"
        n = len(line.encode("utf-8"))
        if size + n + 8 > MAX_BLOCK_BYTES:
            out.write("".join(block) + "END^\n")
            block, size = [header], len(header.encode("utf-8"))
            written += 1
            if written % 50 == 0:
                out.write("COMMIT^\n")
        block.append(line)
        size += n
    if len(block) > 1:
        out.write("".join(block) + "END^\n")
    out.write("SET TERM ; ^\nCOMMIT;\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--clients", type=int, default=100000, help="number of clients (default 100000)")
    parser.add_argument("--first-id", type=int, default=1000001, help="first IDCLIENTE (default 1000001)")
    args = parser.parse_args()
    if args.clients < 0 or args.first_id < 1 or args.first_id + args.clients > 2**31:
        parser.error("the ids must stay between 1 and 2147483647")
    write(sys.stdout, args.clients, args.first_id)


if __name__ == "__main__":
    main()
