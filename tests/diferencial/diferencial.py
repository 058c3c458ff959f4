#!/usr/bin/env python3
"""Cada lector del programa contra un lector independiente del mismo formato.

Para cada semilla se genera un archivo de proveedor válido al azar (tamaños, tipos, blancos,
series largas y numéricas, fechas, varias hojas, páginas de códigos, registros borrados y, a
veces, lo que el formato admite pero no es un dato: bytes nulos, texto que no es UTF-8, celdas de
error, dobles desde 2^53). Se importa con `garantias-cli importar` en una base embebida temporal
y se lee con el lector independiente:

  csv   el módulo csv de Python (UTF-8 si todo el archivo lo es, si no Windows-1252)
  xlsx  openpyxl (valores guardados de las fórmulas)
  xls   xlrd
  dbf   dbfread
  db    el módulo sqlite3 de Python (los bytes del TEXT tal cual)
  mdb   mdb-export de mdbtools; como en Debian nadie escribe un .mdb, no se generan: cada semilla
        elige una tabla de las muestras públicas (../shared/fixtures/mdb) y se comparan todos los
        campos de las filas de la vista previa (`garantias-cli vista`, el mismo lector)

Cada archivo termina de una de dos formas, y cualquier otra es una falla que da la semilla:
  - la importación lo rechaza (código 1, con un mensaje que nombra el lugar), o
  - la importación termina bien (código 0) y cada fila guardada es la del lector independiente
    bajo la correspondencia de abajo, y cada fila con serie está guardada.

Correspondencia (la regla única de lo que el operador ve, ado/Valores.h):
  texto              igual (dBase sin los blancos de la derecha)
  entero             sus cifras
  decimal            con coma, 15 cifras significativas, sin ceros de más; desde 2^53, 15
                     cifras y exponente ("8,95403123456789E+18")
  fecha / fecha-hora dd/mm/yyyy, y " hh:mm:ss" si no es medianoche
  booleano           "Verdadero" / "Falso"
  celda de error     su texto ("#N/A")
  nulo               vacío
  (mdb)              un decimal igual a menos de una parte en un millón (mdb-export escribe un
                     Single con más cifras de las que tiene); "00/01/1900 00:00:00", que es como
                     mdb-export escribe una fecha que no sabe escribir, no se compara
Y lo que no es un dato tiene que rechazarse (no puede haber código 0): una serie que es un doble
desde 2^53, una celda de error o un booleano como serie, un byte nulo o un texto que no es del
formato (UTF-8 mal formado en un .db, bytes que la página de códigos no tiene), una marca de
borrado de dBase que no es ' ' ni '*', un registro que falta.

Uso: diferencial.py --cli RUTA --clase {csv,xlsx,xls,dbf,db,mdb,todas} [--semilla S] [--cantidad N]
"""
import argparse
import csv
import datetime
import io
import math
import os
import random
import re
import shutil
import sqlite3
import struct
import subprocess
import sys
import tempfile
import zipfile

CADENA = "@Server=; @dbname= demo; @usuario= demo; @Password= demo;"
NOMBRES = ["CAMPO1", "CAMPO2", "CAMPO3", "CAMPO4", "CAMPO5", "CAMPO6"]
ECA1, SERIE, MODELO, ACTIVACION = 0, 1, 2, 4
LIMITE = 2.0**53
DETALLE = False


class Rechazar(Exception):
    """El archivo tiene algo que no es un dato: la importación debe rechazarlo."""


# ---- La correspondencia ----

def texto_decimal(x):
    if math.isnan(x) or math.isinf(x):
        raise Rechazar("número no finito")
    if abs(x) >= LIMITE:
        t = "%.14E" % x
        m, e = t.split("E")
        m = m.rstrip("0").rstrip(".")
        return m.replace(".", ",") + "E" + e
    if x == math.floor(x):
        return str(int(x))
    d = 15 - max(0, math.floor(math.log10(abs(x))) + 1)
    t = "%.*f" % (d, x)
    if "." in t:
        t = t.rstrip("0").rstrip(".")
    return t.replace(".", ",")


def texto_fecha(v):
    if isinstance(v, datetime.datetime):
        t = "%02d/%02d/%04d" % (v.day, v.month, v.year)
        if (v.hour, v.minute, v.second) != (0, 0, 0):
            t += " %02d:%02d:%02d" % (v.hour, v.minute, v.second)
        return t
    return "%02d/%02d/%04d" % (v.day, v.month, v.year)


def texto(v):
    if v is None:
        return ""
    if isinstance(v, bool):
        return "Verdadero" if v else "Falso"
    if isinstance(v, int):
        return str(v)
    if isinstance(v, float):
        return texto_decimal(v)
    if isinstance(v, (datetime.date, datetime.datetime)):
        return texto_fecha(v)
    if isinstance(v, str):
        if "\0" in v:
            raise Rechazar("byte nulo en un texto")
        return v
    raise TypeError(repr(v))


class Error:
    """Una celda de error de una hoja de cálculo."""

    def __init__(self, t):
        self.t = t


def fila_esperada(valores):
    """Los cuatro campos guardados (modelo, serie, eca1, activacion) de una fila del lector
    independiente; None si la fila no tiene serie (no se guarda)."""
    def campo(i):
        v = valores[i] if i < len(valores) else None
        if isinstance(v, Error):
            if i == SERIE:
                raise Rechazar("celda de error como serie")
            return v.t
        return texto(v)

    s = valores[SERIE] if SERIE < len(valores) else None
    if isinstance(s, bool):
        raise Rechazar("booleano como serie")
    if isinstance(s, float) and abs(s) >= LIMITE:
        raise Rechazar("doble desde 2^53 como serie")
    fila = (campo(MODELO), campo(SERIE), campo(ECA1), campo(ACTIVACION))
    if not fila[1].strip():
        return None
    return fila


# ---- Valores al azar ----

def serie_al_azar(r, usadas):
    while True:
        k = r.random()
        if k < 0.15:
            v = r.randrange(10**18, 10**19)  # 19 cifras: exacta sólo si se lee de sus cifras
        elif k < 0.3:
            v = r.randrange(1, 10**9)
        else:
            v = "".join(r.choice("ABCDEFGHJKLMNPQRSTUVWXYZ0123456789-") for _ in range(r.randint(1, 20)))
            if r.random() < 0.2:
                v = "0" + v
        clave = str(v).lower().rstrip(" ")
        if clave and clave not in usadas:
            usadas.add(clave)
            return v


def texto_al_azar(r, acentos=True):
    letras = "abcdefgh XYZ0123456789-_.,/"
    if acentos:
        letras += "áéíóúñÑü€"
    return "".join(r.choice(letras) for _ in range(r.randint(0, 30))).strip(" ")


def fecha_al_azar(r, hora):
    f = datetime.date(1990, 1, 1) + datetime.timedelta(days=r.randrange(0, 14000))
    if not hora:
        return f
    return datetime.datetime(f.year, f.month, f.day, r.randrange(24), r.randrange(60), r.randrange(60))


def valor_al_azar(r, hora=True):
    k = r.random()
    if k < 0.1:
        return None
    if k < 0.45:
        return texto_al_azar(r)
    if k < 0.6:
        return r.randrange(-10**6, 10**12)
    if k < 0.7:
        return round(r.uniform(-10000, 10000), r.randint(1, 3))
    if k < 0.85:
        return fecha_al_azar(r, hora and r.random() < 0.5)
    return r.random() < 0.5


# ---- Cada clase: escribir al azar y leer con el lector independiente ----

def filas_al_azar(r, columnas=6):
    usadas = set()
    filas = []
    for _ in range(r.randint(1, 40)):
        fila = [valor_al_azar(r) for _ in range(columnas)]
        fila[SERIE] = serie_al_azar(r, usadas) if r.random() > 0.05 else None
        filas.append(fila)
    return filas


def csv_escribir(r, carpeta):
    filas = filas_al_azar(r)
    codificacion = r.choice(["utf-8", "cp1252"])
    salida = io.StringIO()
    fin = r.choice(["\r\n", "\n"])
    # A veces, líneas en blanco antes del encabezado (no cuentan) y otro separador.
    salida.write(fin * r.choice([0, 0, 0, 1, 2]))
    w = csv.writer(salida, quoting=r.choice([csv.QUOTE_MINIMAL, csv.QUOTE_ALL]), lineterminator=fin,
                   delimiter=r.choice([",", ",", ";", "\t"]))
    w.writerow(NOMBRES)
    for f in filas:
        w.writerow(["" if v is None else texto(v) for v in f])
    datos = salida.getvalue().encode(codificacion, errors="replace")
    if r.random() < 0.05:  # un byte nulo: el archivo entero se rechaza
        i = r.randrange(len(datos))
        datos = datos[:i] + b"\0" + datos[i:]
    ruta = os.path.join(carpeta, "prov.csv")
    with open(ruta, "wb") as f:
        f.write(datos)
    return ruta, None


def csv_leer(ruta, tabla):
    datos = open(ruta, "rb").read()
    if b"\0" in datos:
        raise Rechazar("byte nulo")
    try:
        t = datos.decode("utf-8")
    except UnicodeDecodeError:
        t = datos.decode("cp1252", errors="strict")
    primera = next(l for l in t.splitlines() if l.strip())
    separador = max([",", ";", "\t"], key=lambda c: (primera.count(c), c == ","))
    filas = list(csv.reader(io.StringIO(t, newline=""), delimiter=separador))
    while filas and not filas[0]:
        filas.pop(0)
    return [list(f) for f in filas[1:]]


def xlsx_escribir(r, carpeta):
    import openpyxl
    libro = openpyxl.Workbook()
    hojas = [libro.active]
    hojas[0].title = "Datos"
    for n in range(r.randint(0, 2)):
        hojas.append(libro.create_sheet("Otra%d" % n))
    elegida = r.randrange(len(hojas))
    gemela = r.random() < 0.15  # "DATOS", gemela de "Datos" salvo por las mayúsculas
    if gemela:
        hojas.append(libro.create_sheet("GEMELA"))  # openpyxl no admite el nombre: se cambia después
        if r.random() < 0.5:
            elegida = len(hojas) - 1
    for i, hoja in enumerate(hojas):
        hoja.append(NOMBRES)
        filas = filas_al_azar(r)
        # openpyxl escribe un entero desde 2^53 como doble con exponente: casi siempre la serie
        # larga va como texto, y a veces como número (que se rechaza).
        numericas = r.random() < 0.1
        for f in filas:
            if isinstance(f[SERIE], int) and f[SERIE] >= LIMITE and not numericas:
                f[SERIE] = str(f[SERIE])
        # A veces, en una fila, lo que no es una serie: un booleano, una celda de error (openpyxl
        # escribe "#N/A" como tal) o un doble desde 2^53 (con exponente en el archivo).
        if r.random() < 0.2:
            r.choice(filas)[SERIE] = r.choice([True, "#N/A", float(r.randrange(2**53, 10**19))])
        if r.random() < 0.2:
            r.choice(filas)[MODELO] = r.choice(["#N/A", "#REF!", "#DIV/0!"])
        for f in filas:
            hoja.append(f)
            if r.random() < 0.05:
                hoja.append([])
    ruta = os.path.join(carpeta, "prov.xlsx")
    libro.save(ruta)
    pedida = hojas[elegida].title
    if gemela:
        with zipfile.ZipFile(ruta) as z:
            partes = [(i.filename, z.read(i.filename)) for i in z.infolist()]
        with zipfile.ZipFile(ruta, "w", zipfile.ZIP_DEFLATED) as z:
            for n, datos in partes:
                z.writestr(n, datos.replace(b'name="GEMELA"', b'name="DATOS"') if n == "xl/workbook.xml" else datos)
        if pedida == "GEMELA":
            pedida = "DATOS"
    if r.random() < 0.1:
        # Un paquete ambiguo: la hoja elegida otra vez (con otras filas), con el mismo nombre o con
        # otra escritura de mayúsculas, antes que la verdadera.
        senuelo = openpyxl.Workbook()
        senuelo.active.append(NOMBRES)
        senuelo.active.append(["E", "SENUELO", "M", None, None, None])
        otro = os.path.join(carpeta, "senuelo.xlsx")
        senuelo.save(otro)
        parte = "xl/worksheets/sheet%d.xml" % (elegida + 1)
        with zipfile.ZipFile(otro) as z:
            falsa = z.read("xl/worksheets/sheet1.xml")
        with zipfile.ZipFile(ruta) as z:
            partes = [(i.filename, z.read(i.filename)) for i in z.infolist()]
        nombre = parte if r.random() < 0.5 else parte.replace("sheet", "Sheet")
        import warnings
        with warnings.catch_warnings(), zipfile.ZipFile(ruta, "w", zipfile.ZIP_DEFLATED) as z:
            warnings.simplefilter("ignore")  # "Duplicate name": es lo que se quiere
            z.writestr(nombre, falsa)
            for n, datos in partes:
                z.writestr(n, datos)
    if r.random() < 0.2:
        pedida = r.choice([pedida.lower(), pedida.upper(), pedida.swapcase()])
    return ruta, pedida + "$"


def xlsx_leer(ruta, tabla):
    import openpyxl
    with zipfile.ZipFile(ruta) as z:
        partes = [n.replace("\\", "/").lower() for n in z.namelist()]
        if len(set(partes)) != len(partes):
            raise Rechazar("paquete con partes repetidas o que sólo difieren en mayúsculas")
        # Los nombres como los escribe el libro (openpyxl renombra "DATOS" a "DATOS1" si ya hay
        # una "Datos"), en el orden de sus hojas.
        import xml.etree.ElementTree as ET
        raiz = ET.fromstring(z.read("xl/workbook.xml"))
        nombres = [h.get("name") for h in raiz.iter("{http://schemas.openxmlformats.org/spreadsheetml/2006/main}sheet")]
    libro = openpyxl.load_workbook(ruta, data_only=True)
    # La hoja de nombre exacto; si no hay, la única igual sin distinguir mayúsculas.
    pedida = tabla[:-1]
    if pedida in nombres:
        indice = nombres.index(pedida)
    else:
        parecidas = [i for i, n in enumerate(nombres) if n.lower() == pedida.lower()]
        if len(parecidas) != 1:
            raise Rechazar("hojas que sólo difieren en mayúsculas")
        indice = parecidas[0]
    hoja = libro.worksheets[indice]
    filas = []
    for fila in hoja.iter_rows(min_row=2):
        valores = []
        for c in fila:
            v = c.value
            if c.data_type == "e":
                v = Error(v)
            valores.append(v)
        filas.append(valores)
    while filas and all(v is None for v in filas[-1]):
        filas.pop()
    return filas


def xls_escribir(r, carpeta):
    import xlwt
    libro = xlwt.Workbook(encoding="utf-8")
    fecha = xlwt.easyxf(num_format_str="dd/mm/yyyy")
    fecha_hora = xlwt.easyxf(num_format_str="dd/mm/yyyy hh:mm:ss")
    nombres = ["Datos"] + ["Otra%d" % n for n in range(r.randint(0, 2))]
    elegida = r.randrange(len(nombres))
    for nombre in nombres:
        hoja = libro.add_sheet(nombre)
        for j, n in enumerate(NOMBRES):
            hoja.write(0, j, n)
        filas = filas_al_azar(r)
        if r.random() < 0.15:
            r.choice(filas)[SERIE] = r.choice([float(r.randrange(2**53, 10**19)), True])
        for i, f in enumerate(filas, start=1):
            for j, v in enumerate(f):
                if v is None:
                    continue
                if isinstance(v, int) and not isinstance(v, bool) and abs(v) >= LIMITE:
                    v = str(v)  # un .xls sólo guarda dobles: la serie larga va como texto
                if isinstance(v, datetime.datetime):
                    hoja.write(i, j, v, fecha_hora)
                elif isinstance(v, datetime.date):
                    hoja.write(i, j, v, fecha)
                else:
                    hoja.write(i, j, v)
    ruta = os.path.join(carpeta, "prov.xls")
    libro.save(ruta)
    return ruta, nombres[elegida] + "$"


def xls_leer(ruta, tabla):
    import xlrd
    libro = xlrd.open_workbook(ruta)
    hoja = libro.sheet_by_name(tabla.rstrip("$"))
    filas = []
    for i in range(1, hoja.nrows):
        valores = []
        for j in range(hoja.ncols):
            c = hoja.cell(i, j)
            if c.ctype == xlrd.XL_CELL_EMPTY or c.ctype == xlrd.XL_CELL_BLANK:
                v = None
            elif c.ctype == xlrd.XL_CELL_NUMBER:
                v = int(c.value) if c.value == math.floor(c.value) and abs(c.value) < LIMITE else c.value
            elif c.ctype == xlrd.XL_CELL_DATE:
                v = xlrd.xldate.xldate_as_datetime(c.value, libro.datemode)
                if v.time() == datetime.time(0):
                    v = v.date()
            elif c.ctype == xlrd.XL_CELL_BOOLEAN:
                v = bool(c.value)
            elif c.ctype == xlrd.XL_CELL_ERROR:
                v = Error(xlrd.error_text_from_code[c.value])
            else:
                v = c.value
            valores.append(v)
        filas.append(valores)
    while filas and all(v is None for v in filas[-1]):
        filas.pop()
    return filas


# dBase III escrito a mano (no hay quien lo escriba en Debian): C, N, D, L.
PAGINAS_DBF = {0x03: "cp1252", 0x57: "cp1252", 0x01: "cp437", 0x02: "cp850", 0x4D: "gbk"}


def dbf_escribir(r, carpeta):
    marca = r.choice(list(PAGINAS_DBF))
    pagina = PAGINAS_DBF[marca]
    # Los tipos de cada campo: la serie es C o N (de 19 cifras); los demás, al azar.
    tipos = [r.choice("CNDL") for _ in NOMBRES]
    tipos[SERIE] = r.choice("CCN")
    largos = {"C": r.randint(20, 60), "N": 19, "D": 8, "L": 1}
    campos = [(n, t, largos[t] if t != "C" else r.randint(20, 60)) for n, t in zip(NOMBRES, tipos)]
    usadas = set()
    registros = []
    nulo = r.random() < 0.1  # un byte nulo en medio de un texto, en alguna fila
    for _ in range(r.randint(1, 40)):
        borrado = r.random() < 0.1
        partes = []
        for j, (n, t, largo) in enumerate(campos):
            if t == "C":
                if j == SERIE:
                    v = str(serie_al_azar(r, usadas))
                else:
                    v = texto_al_azar(r)
                b = v.encode(pagina, errors="replace")[:largo]
                if nulo and r.random() < 0.1:
                    b = (b[: largo - 2] + b"\0X")[:largo]
                partes.append(b.ljust(largo, b" "))
            elif t == "N":
                if j == SERIE:
                    v = r.randrange(10**18, 10**19) if r.random() < 0.5 else r.randrange(1, 10**9)
                    while str(v) in usadas:
                        v += 1
                    usadas.add(str(v))
                else:
                    v = r.choice([None, r.randrange(-10**6, 10**12)])
                partes.append(b" " * largo if v is None else str(v).encode().rjust(largo))
            elif t == "D":
                v = fecha_al_azar(r, False) if r.random() < 0.9 else None
                partes.append(b" " * 8 if v is None else v.strftime("%Y%m%d").encode())
            else:
                partes.append(r.choice([b"T", b"F", b"?", b" "]))
        bandera = b"*" if borrado else b" "
        registros.append(bandera + b"".join(partes))
    largo_registro = 1 + sum(c[2] for c in campos)
    # Lo que el formato no admite, de vez en cuando: una marca de borrado que no es ' ' ni '*'.
    if r.random() < 0.08 and len(registros) > 1:
        i = r.randrange(len(registros) - 1)
        registros[i] = r.choice([b"\x1a", b"X", b"\0"]) + registros[i][1:]
    hoy = datetime.date.today()
    cabecera = struct.pack("<BBBBIHH", 0x03, hoy.year - 1900, hoy.month, hoy.day, len(registros),
                           32 + 32 * len(campos) + 1, largo_registro)
    cabecera += b"\0" * 17 + bytes([marca]) + b"\0\0"
    for n, t, largo in campos:
        cabecera += n.encode().ljust(11, b"\0") + t.encode() + b"\0" * 4 + bytes([largo, 0]) + b"\0" * 14
    cabecera += b"\x0d"
    ruta = os.path.join(carpeta, "prov.dbf")
    with open(ruta, "wb") as f:
        f.write(cabecera + b"".join(registros) + b"\x1a")
    return ruta, None


def dbf_leer(ruta, tabla):
    import dbfread
    try:
        tabla = dbfread.DBF(ruta, load=True, char_decode_errors="strict")
    except UnicodeDecodeError:
        raise Rechazar("un texto que no es de la página de códigos del archivo")
    if len(tabla.records) + len(tabla.deleted) != tabla.header.numrecords:
        raise Rechazar("una marca de borrado que no es ' ' ni '*' antes del final")
    filas = []
    for reg in tabla.records:
        valores = []
        for v in reg.values():
            if isinstance(v, str) and "\0" in v:
                raise Rechazar("byte nulo en un texto")
            valores.append(v)
        filas.append(valores)
    return filas


def db_escribir(r, carpeta):
    ruta = os.path.join(carpeta, "prov.db")
    con = sqlite3.connect(ruta)
    tipos = [r.choice(["TEXT", "INTEGER", "REAL", "", "BLOB", "NUMERIC"]) for _ in NOMBRES]
    columnas = ", ".join('"%s" %s' % (n, t) for n, t in zip(NOMBRES, tipos))
    con.execute("CREATE TABLE datos (%s)" % columnas)
    if r.random() < 0.3:
        con.execute("PRAGMA journal_mode=WAL")
    # A veces, lo que SQLite guarda sin quejarse y no es un dato: un TEXT que no es UTF-8 (un
    # valor de Windows-1252 escrito tal cual) o con un byte nulo.
    estropeo = r.choice([None] * 6 + ["utf8", "utf8", "nulo"])
    reales = r.random() < 0.15  # las series numéricas como REAL: desde 2^53 se rechazan
    for f in filas_al_azar(r):
        valores = []
        for j, v in enumerate(f):
            if isinstance(v, (datetime.date, datetime.datetime)) or isinstance(v, bool):
                v = texto(v)
            if isinstance(v, int) and v >= 2**63:
                v = str(v)
            if j == SERIE and isinstance(v, int) and reales:
                v = float(v)
            if isinstance(v, str) and estropeo and r.random() < 0.1:
                if estropeo == "utf8":
                    v = v.encode("utf-8") + r.choice([b"\xc0", b"\xc1", b"\xff", b"\xe2\x82"])
                else:
                    v = v + "\0" + r.choice("BC")
            valores.append(v)
        # Los bytes van como TEXT tal cual (CAST), como los escribe un programa que no convierte.
        marcas = ", ".join("CAST(? AS TEXT)" if isinstance(v, bytes) else "?" for v in valores)
        con.execute("INSERT INTO datos VALUES (%s)" % marcas, valores)
    con.commit()
    con.close()
    return ruta, "datos"


def db_leer(ruta, tabla):
    con = sqlite3.connect("file:%s?mode=ro" % ruta, uri=True)
    con.text_factory = bytes
    filas = []
    for fila in con.execute('SELECT * FROM "%s"' % tabla):
        valores = []
        for v in fila:
            if isinstance(v, bytes):  # TEXT: tiene que ser UTF-8 sin nulos
                if b"\0" in v:
                    raise Rechazar("byte nulo en un TEXT")
                try:
                    v = v.decode("utf-8")
                except UnicodeDecodeError:
                    raise Rechazar("TEXT que no es UTF-8")
            valores.append(v)
        filas.append(valores)
    con.close()
    return filas


# Access: no hay en Debian quien escriba un .mdb. Se leen las muestras públicas (../shared/fixtures,
# o GARANTIAS_MUESTRAS): cada semilla elige una tabla de una muestra; el otro lector es mdb-export.
def muestras_mdb():
    carpeta = os.environ.get("GARANTIAS_MUESTRAS") or os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "shared", "fixtures")
    carpeta = os.path.join(carpeta, "mdb")
    tablas = []
    if os.path.isdir(carpeta):
        for archivo in sorted(os.listdir(carpeta)):
            if archivo.lower().endswith(".mdb"):
                ruta = os.path.join(carpeta, archivo)
                salida = subprocess.run(["mdb-tables", "-1", ruta], capture_output=True, text=True).stdout
                tablas += [(ruta, t) for t in salida.splitlines() if t and not t.lower().startswith("msys")]
    return tablas


def mdb_escribir(r, carpeta):
    tablas = muestras_mdb()
    ruta, tabla = tablas[r.randrange(len(tablas))]
    copia = os.path.join(carpeta, os.path.basename(ruta))
    shutil.copy(ruta, copia)
    return copia, tabla


CUALQUIERA = "(cualquiera)"
FECHA_MDB = re.compile(r"^(\d\d/\d\d/\d{4}) (\d\d:\d\d:\d\d)$")


def mdb_leer(ruta, tabla):
    p = subprocess.run(["mdb-export", "-D", "%d/%m/%Y %H:%M:%S", "-T", "%d/%m/%Y %H:%M:%S", "-B",
                        ruta, tabla], capture_output=True)
    if p.returncode != 0:
        raise Rechazar("mdb-export no la lee")
    # Un objeto OLE (un documento incrustado) no es un dato que la vista muestre: va vacío. Sus
    # bytes en la salida de mdb-export no son texto, así que se lee como Latin-1 y se descarta.
    esquema = subprocess.run(["mdb-schema", "-T", tabla, ruta], capture_output=True, text=True).stdout
    ole = [m.group(1) for m in re.finditer(r"^\s*\[(.*?)\]\s+OLE", esquema, re.M)]
    crudo = list(csv.reader(io.StringIO(p.stdout.decode("latin-1"), newline="")))
    columnas_ole = {i for i, n in enumerate(crudo[0]) if n in ole} if crudo else set()
    try:
        lineas = [[c.encode("latin-1").decode("utf-8") if i not in columnas_ole else "" for i, c in enumerate(f)]
                  for f in crudo]
    except UnicodeDecodeError:
        raise Rechazar("texto que no es UTF-8")
    filas = []
    for fila in lineas[1:]:
        valores = []
        for v in fila:
            m = FECHA_MDB.match(v)
            if v == "":
                v = None
            elif v == "00/01/1900 00:00:00":
                v = CUALQUIERA  # mdbtools no sabe escribir una fecha anterior a 1900 con hora: no compara
            elif v in ("TRUE", "FALSE"):
                v = v == "TRUE"
            elif m:
                v = datetime.datetime.strptime(v, "%d/%m/%Y %H:%M:%S")
            elif re.fullmatch(r"-?\d+", v):
                v = int(v)
            elif re.fullmatch(r"-?\d+\.\d+(e[+-]?\d+)?", v, re.I):
                v = float(v)
            valores.append(v)
        filas.append(valores)
    return filas


CLASES = {
    "csv": (csv_escribir, csv_leer),
    "xlsx": (xlsx_escribir, xlsx_leer),
    "xls": (xls_escribir, xls_leer),
    "dbf": (dbf_escribir, dbf_leer),
    "db": (db_escribir, db_leer),
    "mdb": (mdb_escribir, mdb_leer),
}


# ---- Nuestra importación ----

def entorno_de(carpeta):
    """garantias-cli con todo lo suyo (bases, HOME, temporales) en la carpeta de la semilla."""
    entorno = dict(os.environ, GARANTIAS_DATOS=os.path.join(carpeta, "datos"), tmp=carpeta, temp="x",
                   LANG="C.UTF-8", HOME=os.path.join(carpeta, "casa"),
                   XDG_DATA_HOME=os.path.join(carpeta, "casa", ".local", "share"),
                   XDG_CONFIG_HOME=os.path.join(carpeta, "casa", ".config"))
    entorno.pop("GARANTIAS_CONEXION", None)
    return entorno


def importar(cli, carpeta, ruta, tabla):
    datos = os.path.join(carpeta, "datos")
    os.makedirs(datos, exist_ok=True)
    entorno = entorno_de(carpeta)
    argumentos = [cli, "importar", ruta, "--conexion", CADENA]
    if tabla:
        argumentos += ["--tabla", tabla]
    p = subprocess.run(argumentos, env=entorno, capture_output=True, timeout=120)
    guardadas = []
    base = os.path.join(datos, "demo.db")
    if os.path.exists(base):
        con = sqlite3.connect(base)
        guardadas = [tuple("" if v is None else v for v in f)
                     for f in con.execute("SELECT modelo, serie, eca1, activacion FROM AUX_GARANTIA")]
        con.close()
    return p.returncode, p.stdout.decode("utf-8", "replace") + p.stderr.decode("utf-8", "replace"), guardadas


def desescapar(celda):
    return re.sub(r"\\(\\|t|r|n|u[0-9a-fA-F]{4})",
                  lambda m: {"\\": "\\", "t": "\t", "r": "\r", "n": "\n"}.get(m.group(1)) or chr(int(m.group(1)[1:], 16)),
                  celda)


def vista(cli, carpeta, ruta, tabla):
    """Las filas (hasta 19, todos los campos) que muestra `garantias-cli vista`: la vista previa."""
    entorno = entorno_de(carpeta)
    p = subprocess.run([cli, "vista", ruta, "--tabla", tabla], env=entorno, capture_output=True, timeout=120)
    lineas = p.stdout.decode("utf-8").split("\n")[1:]
    filas = [tuple(desescapar(c) for c in l.split("\t")[1:]) for l in lineas if l]
    return p.returncode, p.stderr.decode("utf-8", "replace"), filas


def iguales(nuestra, otra):
    """Dos filas de la vista: cada campo igual, o los dos números que difieren en menos de una parte
    en un millón (mdb-export escribe un Single de 4 bytes con más cifras de las que tiene: 7)."""
    if len(nuestra) != len(otra):
        return False
    for a, b in zip(nuestra, otra):
        if a == b or b == CUALQUIERA:
            continue
        try:
            x, y = float(a.replace(",", ".")), float(b.replace(",", "."))
        except ValueError:
            return False
        if abs(x - y) > 1e-6 * max(abs(x), abs(y)):
            return False
    return True


def archivo_y_esperadas(clase, semilla, carpeta, esperadas_de):
    """El archivo de la semilla, y lo que el otro lector dice que tiene (o por qué debe rechazarse)."""
    escribir, leer = CLASES[clase]
    ruta, tabla = escribir(random.Random("%s:%d" % (clase, semilla)), carpeta)
    try:
        return ruta, tabla, esperadas_de(leer(ruta, tabla)), None
    except Rechazar as e:
        return ruta, tabla, None, str(e)


def probar_vista(cli, clase, semilla):
    """Para las clases sin generador (mdb): cada campo de las primeras filas de la vista previa."""
    carpeta = tempfile.mkdtemp(prefix="diferencial-")
    try:
        ruta, tabla, esperadas, motivo = archivo_y_esperadas(
            clase, semilla, carpeta, lambda filas: [tuple(texto(v) for v in f) for f in filas[:19]])
        codigo, errores, filas = vista(cli, carpeta, ruta, tabla)
        if codigo == 1:
            return "rechazado" if errores.strip() else "código 1 sin mensaje"
        if codigo != 0:
            return "código %d: %s" % (codigo, errores.strip()[-500:])
        if motivo:
            return "código 0 con un archivo que debe rechazarse (%s)" % motivo
        if len(filas) != len(esperadas) or not all(map(iguales, filas, esperadas)):
            for i, (a, b) in enumerate(zip(filas, esperadas)):
                if not iguales(a, b):
                    return "código 0 y distintas en la fila %d de %s: %r / %r" % (i + 1, tabla, a, b)
            return "código 0 y %d filas en vez de %d (%s)" % (len(filas), len(esperadas), tabla)
        return "limpio"
    finally:
        shutil.rmtree(carpeta, ignore_errors=True)


def probar(cli, clase, semilla):
    """None si el archivo quedó bien; 'limpio' o 'rechazado'; o el texto de la diferencia."""
    if clase == "mdb":
        return probar_vista(cli, clase, semilla)
    carpeta = tempfile.mkdtemp(prefix="diferencial-")
    try:
        ruta, tabla, esperadas, motivo = archivo_y_esperadas(
            clase, semilla, carpeta, lambda filas: [f for f in map(fila_esperada, filas) if f is not None])
        codigo, salida, guardadas = importar(cli, carpeta, ruta, tabla)
        if codigo == 1:
            # Rechazado: con un mensaje (no un cuelgue ni un código cualquiera).
            if not salida.strip():
                return "código 1 sin mensaje"
            if DETALLE:
                print("  %s %d rechazado (%s): %s" % (clase, semilla, motivo or "el otro lector lo lee",
                                                      [l for l in salida.strip().splitlines()
                                                       if "se creó la base" not in l][-1][:300]))
            return "rechazado"
        if codigo == 3 and not esperadas and not motivo:
            return "limpio"  # sin filas con serie: nada que guardar
        if codigo != 0:
            return "código %d: %s" % (codigo, salida.strip()[-500:])
        if motivo:
            return "código 0 con un archivo que debe rechazarse (%s); guardadas %d filas" % (motivo, len(guardadas))
        faltan = sorted(set(esperadas) - set(guardadas), key=str)
        sobran = sorted(set(guardadas) - set(esperadas), key=str)
        if faltan or sobran:
            return "código 0 y distintas: faltan %r ... sobran %r ...\n%s" % (faltan[:3], sobran[:3], salida[-800:])
        return "limpio"
    finally:
        shutil.rmtree(carpeta, ignore_errors=True)


def main():
    a = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    a.add_argument("--cli", required=True)
    a.add_argument("--clase", default="todas")
    a.add_argument("--semilla", type=int, default=1)
    a.add_argument("--cantidad", type=int, default=20)
    a.add_argument("--detalle", action="store_true", help="dice por qué se rechazó cada archivo")
    o = a.parse_args()
    global DETALLE
    DETALLE = o.detalle
    clases = list(CLASES) if o.clase == "todas" else o.clase.split(",")
    modulos = {"xlsx": "openpyxl", "xls": "xlrd", "dbf": "dbfread"}
    for clase in clases:
        try:
            if clase in modulos:
                __import__(modulos[clase])
            if clase == "xls":
                __import__("xlwt")
        except ImportError as e:
            print("se salta %s: falta el módulo de Python %s (scripts/install-deps)" % (clase, e.name))
            return 77
        if clase == "mdb" and not (shutil.which("mdb-export") and muestras_mdb()):
            print("se salta mdb: faltan mdb-export o las muestras públicas (../shared/fixtures/mdb)")
            return 77
    # Una copia que corre desde su carpeta escribe allí su catálogo (consultas.ntw): garantias-cli
    # corre enlazado en una carpeta propia, nunca desde la de compilación.
    propia = tempfile.mkdtemp(prefix="diferencial-cli-")
    cli = os.path.join(propia, "garantias-cli")
    try:
        os.link(o.cli, cli)
    except OSError:
        shutil.copy2(o.cli, cli)
    try:
        return probar_clases(o, clases, cli)
    finally:
        shutil.rmtree(propia, ignore_errors=True)


def probar_clases(o, clases, cli):
    fallas = 0
    for clase in clases:
        cuentas = {"limpio": 0, "rechazado": 0}
        for semilla in range(o.semilla, o.semilla + o.cantidad):
            try:
                resultado = probar(cli, clase, semilla)
            except Exception as e:  # el generador o el lector independiente: también se ve
                resultado = "excepción %s: %s" % (type(e).__name__, e)
            if resultado in cuentas:
                cuentas[resultado] += 1
            else:
                fallas += 1
                print("FALLA %s semilla %d: %s" % (clase, semilla, resultado))
                print("  repetir: %s --cli %s --clase %s --semilla %d --cantidad 1"
                      % (sys.argv[0], o.cli, clase, semilla))
        print("%s: %d archivos, %d limpios, %d rechazados" % (clase, o.cantidad, cuentas["limpio"], cuentas["rechazado"]))
        sys.stdout.flush()
    return 1 if fallas else 0


if __name__ == "__main__":
    sys.exit(main())
