"""Shared pieces of the demo and large-volume data generators.

A deterministic random source (the same numbers on every platform and Python
version), Portuguese names, addresses and document numbers with valid check
digits, and the writing of SQL literals and INSERT statements. Python 3
standard library only.
"""

import unicodedata


class Rng:
    """A 64-bit xorshift* generator: the same sequence for the same seed
    everywhere, unlike the random module, whose methods may change."""

    def __init__(self, seed):
        self.state = (seed * 0x9E3779B97F4A7C15 + 1) & 0xFFFFFFFFFFFFFFFF or 1

    def next(self):
        x = self.state
        x ^= x >> 12
        x ^= (x << 25) & 0xFFFFFFFFFFFFFFFF
        x ^= x >> 27
        self.state = x
        return (x * 0x2545F4914F6CDD1D) & 0xFFFFFFFFFFFFFFFF

    def below(self, n):
        """A whole number in [0, n)."""
        return (self.next() >> 11) % n

    def between(self, lo, hi):
        """A whole number in [lo, hi]."""
        return lo + self.below(hi - lo + 1)

    def choice(self, seq):
        return seq[self.below(len(seq))]

    def percent(self, p):
        """True with probability p/100."""
        return self.below(100) < p


# ------------------------------------------------------------------ names

FIRST_NAMES = [
    "José", "João", "Antônio", "Francisco", "Carlos", "Paulo", "Pedro", "Lucas",
    "Luiz", "Marcos", "Luís", "Gabriel", "Rafael", "Daniel", "Marcelo", "Bruno",
    "Eduardo", "Felipe", "Raimundo", "Rodrigo", "Sebastião", "Geraldo",
    "Vinícius", "Otávio", "Inácio", "Joaquim", "Conrado", "Délio", "Ângelo",
    "Maria", "Ana", "Francisca", "Antônia", "Adriana", "Juliana", "Márcia",
    "Fernanda", "Patrícia", "Aline", "Sandra", "Camila", "Amanda", "Bruna",
    "Jéssica", "Letícia", "Júlia", "Luíza", "Conceição", "Aparecida", "Glória",
    "Lúcia", "Cecília", "Mônica", "Vitória", "Íris", "Irene", "Débora", "Núbia",
]

SURNAMES = [
    "da Silva", "dos Santos", "Oliveira", "Souza", "Rodrigues", "Ferreira",
    "Alves", "Pereira", "Lima", "Gomes", "Costa", "Ribeiro", "Martins",
    "Carvalho", "Almeida", "Lopes", "Soares", "Fernandes", "Vieira", "Barbosa",
    "Rocha", "Dias", "Nascimento", "Andrade", "Moreira", "Nunes", "Marques",
    "Machado", "Mendes", "Freitas", "Cardoso", "Ramos", "Gonçalves", "Santana",
    "Teixeira", "Araújo", "Conceição", "Magalhães", "Brandão", "Falcão",
    "Simões", "Guimarães", "Assunção", "Peçanha", "D'Ávila", "D'Angelo",
    "Sant'Anna", "D'Assunção",
]

# Kinds of business, by activity id (ATIVIDADE).
BUSINESS_KINDS = {
    1: ["Supermercado", "Supermercados"],
    2: ["Mercearia", "Empório", "Armazém"],
    3: ["Padaria", "Panificadora", "Padaria e Confeitaria"],
    4: ["Bar e Restaurante", "Restaurante", "Bar"],
    5: ["Lanchonete", "Lanches"],
    6: ["Açougue", "Casa de Carnes"],
    7: ["Drogaria", "Farmácia"],
    8: ["Hortifrúti", "Sacolão", "Quitanda"],
    10: ["Conveniência", "Minimercado"],
}

BUSINESS_NAMES = [
    "Bom Jesus", "São José", "Nossa Senhora Aparecida", "Santa Rita",
    "Dois Irmãos", "Progresso", "Estrela", "Sant'Ana", "Boa Vista", "Alvorada",
    "Primavera", "Esperança", "União", "Central", "Real", "Família", "do Povo",
    "da Praça", "São Geraldo", "Vitória", "Paraíso", "Pérola", "Três Corações",
    "Olho D'Água", "Canaã", "Recanto", "Horizonte", "Pôr do Sol", "Cidadão",
    "Santa Efigênia", "São Cristóvão", "Bandeirantes", "Estância", "Ipê Amarelo",
    "Buriti", "Serra Verde", "Ouro Preto", "Tiradentes", "Guarani", "D'Ajuda",
    "Irmãos Gonçalves", "Pão D'Ouro", "Conquista", "Aconchego", "Sabor de Minas",
    "Tia Cotinha", "Vovó Zizi", "Mãe D'Água", "Coração de Jesus", "Alegria",
]

LEGAL_SUFFIXES = ["Ltda", "Ltda", "Ltda", "ME", "EIRELI", "Comércio de Alimentos Ltda"]

STREETS = [
    "Rua Tiradentes", "Rua São Paulo", "Avenida Afonso Pena", "Avenida do Contorno",
    "Rua Getúlio Vargas", "Avenida Amazonas", "Rua Paraná", "Rua Rio de Janeiro",
    "Rua Santos Dumont", "Rua Sete de Setembro", "Rua Quinze de Novembro",
    "Avenida Padre Eustáquio", "Avenida Dom Pedro II", "Rua João Pinheiro",
    "Avenida Cristóvão Colombo", "Avenida Brasil", "Rua Olegário Maciel",
    "Avenida Juscelino Kubitschek", "Avenida Antônio Carlos", "Rua dos Andradas",
    "Rua Bias Fortes", "Rua Joaquim Nabuco", "Rua Espírito Santo", "Rua Goiás",
    "Rua Curitiba", "Rua dos Tupis", "Rua Guaicurus", "Praça da Matriz",
    "Travessa São Judas Tadeu", "Alameda das Acácias", "Rua Conceição",
    "Rua Padre Marinho", "Rua Dona Zulmira", "Avenida João Naves de Ávila",
    "Rua Machado de Assis", "Rua Gonçalves Dias", "Rua Álvares Cabral",
]

# City id -> (CEP prefix of 5 digits, phone area code, neighbourhoods).
CITY_DETAILS = {
    1: ("301", "31", ["Centro", "Savassi", "Funcionários", "Lourdes", "Barro Preto",
                     "Santa Efigênia", "Floresta", "Padre Eustáquio", "Barreiro",
                     "Venda Nova", "Pampulha", "Santa Tereza", "Sion", "Gutierrez",
                     "Prado", "Carlos Prates", "Caiçara", "São Cristóvão"]),
    2: ("321", "31", ["Eldorado", "Industrial", "Riacho", "Ressaca", "Centro", "Jardim Laguna"]),
    3: ("326", "31", ["Centro", "Angola", "Ingá", "Jardim Teresópolis", "Alterosas"]),
    4: ("340", "31", ["Centro", "Vila da Serra", "Jardim Canadá", "Cristais"]),
    5: ("357", "31", ["Centro", "Boa Vista", "Canaan", "Progresso"]),
    6: ("330", "31", ["Centro", "São Benedito", "Londrina", "Palmital"]),
    7: ("345", "31", ["Centro", "General Carneiro", "Nações Unidas"]),
    8: ("393", "38", ["Centro", "Vila Nova"]),
    9: ("384", "34", ["Centro", "Santa Mônica", "Umuarama", "Tibery", "Martins",
                     "Brasil", "Jardim Patrícia", "Luizote de Freitas"]),
    10: ("380", "34", ["Centro", "Abadia", "Fabrício", "Mercês", "São Benedito"]),
    11: ("384", "34", ["Centro", "Goiás", "Amorim", "Bosque"]),
    12: ("387", "34", ["Centro", "Caiçaras", "Lagoa Grande", "Várzea"]),
    13: ("383", "34", ["Centro", "Platina", "Novo Tempo"]),
    14: ("363", "32", ["Centro", "Matosinhos", "Tijuco", "Fábricas"]),
    15: ("358", "31", ["Centro", "Rosário"]),
}


def ascii_fold(text):
    """The text without accents and apostrophes, lower case: for e-mails."""
    norm = unicodedata.normalize("NFKD", text)
    out = "".join(c for c in norm if c.isascii() and (c.isalnum() or c == " "))
    return out.lower()


def person_name(rng):
    first = rng.choice(FIRST_NAMES)
    middle = rng.choice(SURNAMES)
    while middle == first:
        middle = rng.choice(SURNAMES)
    last = rng.choice(SURNAMES)
    while last in (middle, first):
        last = rng.choice(SURNAMES)
    return f"{first} {middle} {last}"


def business_name(rng, activity):
    kind = rng.choice(BUSINESS_KINDS.get(activity, ["Comercial"]))
    name = rng.choice(BUSINESS_NAMES)
    fantasy = f"{kind} {name}"
    suffix = rng.choice(LEGAL_SUFFIXES)
    if activity == 7 and "Alimentos" in suffix:
        suffix = "Ltda"
    legal = f"{fantasy} {suffix}"
    return legal[:60], fantasy[:60]


def address(rng, city):
    prefix, ddd, hoods = CITY_DETAILS[city]
    street = f"{rng.choice(STREETS)}, {rng.between(10, 3999)}"
    if rng.percent(15):
        street += f", loja {rng.between(1, 12)}"
    cep = f"{prefix}{rng.between(10, 99)}-{rng.between(0, 999):03d}"
    return street, rng.choice(hoods), cep


def phone(rng, city, mobile=False):
    ddd = CITY_DETAILS[city][1]
    if mobile:
        return f"({ddd}) 9{rng.between(8000, 9999)}-{rng.between(0, 9999):04d}"
    return f"({ddd}) {rng.between(3000, 3999)}-{rng.between(0, 9999):04d}"


# ------------------------------------------------------- document numbers

def _check_digit(digits, weights):
    s = sum(int(d) * w for d, w in zip(digits, weights)) % 11
    return "0" if s < 2 else str(11 - s)


def cpf(n):
    """A valid CPF (natural person's tax number) built from n, formatted."""
    base = f"{(n * 387420489 + 123456789) % 1_000_000_000:09d}"
    d1 = _check_digit(base, range(10, 1, -1))
    d2 = _check_digit(base + d1, range(11, 1, -1))
    digits = base + d1 + d2
    return f"{digits[0:3]}.{digits[3:6]}.{digits[6:9]}-{digits[9:11]}"


def cnpj(n, branch=1):
    """A valid CNPJ (company tax number) built from n, formatted; branch is
    the establishment number (0001 the head office)."""
    base = f"{(n * 15485863 + 32452843) % 100_000_000:08d}{branch:04d}"
    w1 = [5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2]
    w2 = [6] + w1
    d1 = _check_digit(base, w1)
    d2 = _check_digit(base + d1, w2)
    d = base + d1 + d2
    return f"{d[0:2]}.{d[2:5]}.{d[5:8]}/{d[8:12]}-{d[12:14]}"


def ean13(n):
    """A valid EAN-13 bar code with the Brazilian prefix 789."""
    base = f"789{n % 1_000_000_000:09d}"
    s = sum(int(c) * (1 if i % 2 == 0 else 3) for i, c in enumerate(base))
    return base + str((10 - s % 10) % 10)


# ------------------------------------------------------------- SQL text

class Raw:
    """An SQL expression written as is (CURRENT_DATE - 30, NULL, ...)."""

    def __init__(self, text):
        self.text = text


def days_ago(n):
    """A date relative to the day the database is created."""
    if n == 0:
        return Raw("CURRENT_DATE")
    return Raw(f"CURRENT_DATE - {n}") if n > 0 else Raw(f"CURRENT_DATE + {-n}")


def date(y, m, d):
    return Raw(f"DATE '{y:04d}-{m:02d}-{d:02d}'")


def money(cents_or_value, scale=2):
    """A NUMERIC literal from an integer count of 1/10**scale units."""
    v = int(cents_or_value)
    sign = "-" if v < 0 else ""
    v = abs(v)
    return Raw(f"{sign}{v // 10**scale}.{v % 10**scale:0{scale}d}")


def lit(value):
    """The SQL literal of a Python value: None is NULL, str is quoted with
    its single quotes doubled, Raw is written as is."""
    if value is None:
        return "NULL"
    if isinstance(value, Raw):
        return value.text
    if isinstance(value, bool):
        raise TypeError("use 'S' or 'N' for flags")
    if isinstance(value, int):
        return str(value)
    if isinstance(value, str):
        return "'" + value.replace("'", "''") + "'"
    raise TypeError(f"no SQL literal for {value!r}")


def insert(table, row):
    """INSERT INTO table (columns) VALUES (...); from a dict in column order."""
    cols = ", ".join(row.keys())
    vals = ", ".join(lit(v) for v in row.values())
    return f"INSERT INTO {table} ({cols}) VALUES ({vals});"


class SqlWriter:
    """Collects the lines of an SQL file: INSERT statements grouped under
    section comments."""

    def __init__(self):
        self.lines = []

    def emit(self, line=""):
        self.lines.append(line)

    def section(self, title):
        self.emit()
        self.emit(f"/* {'-' * 8} {title} */")

    def rows(self, table, items):
        for row in items:
            self.emit(insert(table, row))

    def text(self):
        return "\n".join(self.lines) + "\n"
