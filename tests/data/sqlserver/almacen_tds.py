"""El almacén del punto TDS: lo que el programa guarda en la base de la suite (las filas de
AUX_GARANTIA, las transmisiones, el diario GARANTIAS_CORRIDAS), los literales y condiciones de SQL
que el programa escribe, y los permisos que cada sentencia pide. Lo usa punto_tds.py."""
import json
import os
import re

LITERAL = re.compile(r"N?'((?:[^']|'')*)'|(NULL)\b|(-?\d+(?:\.\d+)?)", re.I)


def literal(texto):
    """El valor de un literal de SQL del programa: N'..', '..', NULL o un número."""
    m = LITERAL.fullmatch(texto.strip())
    if not m:
        raise ValueError("literal que el punto no sabe leer: %s" % texto)
    if m.group(2):
        return None
    if m.group(3):
        return float(m.group(3)) if "." in m.group(3) else int(m.group(3))
    return m.group(1).replace("''", "'")


def lista_literales(texto):
    valores, p = [], 0
    while p < len(texto):
        m = LITERAL.match(texto, p)
        if not m:
            raise ValueError("lista de valores que el punto no sabe leer: %s" % texto[p:p + 40])
        valores.append(literal(m.group(0)))
        p = m.end()
        while p < len(texto) and texto[p] in " ,\n\t":
            p += 1
    return valores


def clave_serie(serie):
    # La colación de las columnas del programa: sin distinguir mayúsculas ni blancos finales.
    return (serie or "").rstrip(" ").lower()


def condiciones(texto):
    """Una conjunción "col op literal" / "col IS NULL" / "1=0", como un predicado sobre una fila."""
    partes = [p.strip() for p in re.split(r"\bAND\b", texto, flags=re.I) if p.strip()]
    pruebas = []
    for p in partes:
        if p.replace(" ", "") == "1=0":
            pruebas.append(lambda f: False)
            continue
        m = re.fullmatch(r"(\w+)\s+IS\s+NULL", p, re.I)
        if m:
            pruebas.append(lambda f, c=m.group(1): campo(f, c) is None)
            continue
        m = re.fullmatch(r"(\w+)\s*(=|>=|<=|>|<)\s*(.+)", p, re.S)
        if not m:
            raise ValueError("condición que el punto no sabe leer: %s" % p)
        col, op, val = m.group(1), m.group(2), literal(m.group(3))

        def prueba(f, col=col, op=op, val=val):
            v = campo(f, col)
            if v is None or val is None:
                return False
            if isinstance(val, str):
                v, val2 = str(v).lower(), val.lower()
            else:
                val2 = val
            return {"=": v == val2, ">": v > val2, ">=": v >= val2, "<": v < val2, "<=": v <= val2}[op]
        pruebas.append(prueba)
    return lambda f: all(p(f) for p in pruebas)


def campo(fila, nombre):
    for k, v in fila.items():
        if k.lower() == nombre.lower():
            return v
    return None


class Almacen:
    """Lo confirmado: filas (por la clave de su serie), transmisiones (por número) y corridas."""

    def __init__(self, archivo):
        self.tablas = {"garantias": {}, "transmisiones": {}, "corridas": {}}
        self.archivo = archivo

    def vista(self, pendientes):
        tablas = {k: dict(v) for k, v in self.tablas.items()}
        aplicar(tablas, pendientes)
        return tablas

    def confirmar(self, pendientes):
        aplicar(self.tablas, pendientes)
        self.escribir()

    def escribir(self):
        if not self.archivo:
            return
        tmp = self.archivo + ".tmp"
        with open(tmp, "w", encoding="utf-8") as f:
            json.dump(self.tablas, f, ensure_ascii=False)
        os.replace(tmp, self.archivo)


def aplicar(tablas, cambios):
    for tabla, clave, valores, nueva in cambios:
        if valores is None:
            tablas[tabla].pop(clave, None)
        elif nueva:
            tablas[tabla][clave] = dict(valores)
        else:
            fila = dict(tablas[tabla][clave])
            fila.update(valores)
            tablas[tabla][clave] = fila


# Las tablas (y la vista) del programa cuyos permisos mira el punto, y lo que pide cada sentencia.
TABLAS = ["AUX_GARANTIA", "MV_TRANSMISIONES", "GARANTIAS_CORRIDAS", "TA_USUARIOS", "TA_CONFIGURACION",
          "TA_TAREAS", "TA_MENU", "Control_Acceso", "V_MV_CPTEACCIONES", "AUX_ERR"]


def permisos_pedidos(texto):
    """Los permisos que una sentencia pide, como el servidor los comprueba (documentación de
    INSERT, UPDATE, DELETE y SELECT): INSERT, UPDATE o DELETE sobre su tabla, y SELECT sobre cada
    tabla que lee (también la de un UPDATE o DELETE con WHERE, y la de un INSERT ... SELECT)."""
    pedidos = set()
    t = " ".join(texto.split())
    nombres = "|".join(TABLAS)
    for m in re.finditer(r"\bINSERT\s+INTO\s+(?:dbo\.)?(%s)\b" % nombres, t, re.I):
        pedidos.add(("INSERT", m.group(1).upper()))
    for m in re.finditer(r"\bUPDATE\s+(?:dbo\.)?(%s)\b(.*)" % nombres, t, re.I):
        pedidos.add(("UPDATE", m.group(1).upper()))
        if re.search(r"\bWHERE\b", m.group(2), re.I):
            pedidos.add(("SELECT", m.group(1).upper()))
    for m in re.finditer(r"\bDELETE\s+(?:FROM\s+)?(?:dbo\.)?(%s)\b(.*)" % nombres, t, re.I):
        pedidos.add(("DELETE", m.group(1).upper()))
        if re.search(r"\bWHERE\b", m.group(2), re.I):
            pedidos.add(("SELECT", m.group(1).upper()))
    for m in re.finditer(r"(?<!DELETE )\b(?:FROM|JOIN)\s+(?:dbo\.)?(%s)\b" % nombres, t, re.I):
        pedidos.add(("SELECT", m.group(1).upper()))
    return pedidos


# Las columnas de números del diario (las demás son texto).
NUMERICAS = {"transmision", "tamano", "leidas", "agregadas", "yaguardadas", "sinserie", "fallidas", "proceso"}
