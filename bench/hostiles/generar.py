#!/usr/bin/env python3
"""Escribe los archivos hostiles de bench/hostiles en la carpeta dada (uno por subcarpeta: el
controlador de texto lista todos los archivos de texto de su carpeta)."""
import os
import sqlite3
import struct
import sys
import zipfile
import zlib

out = sys.argv[1]
FILAS = int(os.environ.get("BENCH_FILAS", "1000000"))
CABECERA = b"eca1,serie,modelo,otro,activacion\r\n"


def ruta(caso, nombre):
    d = os.path.join(out, caso)
    os.makedirs(d, exist_ok=True)
    return os.path.join(d, nombre)


def filas_llanas(f, n, prefijo=b"S"):
    bloque = []
    for i in range(n):
        bloque.append(b"E%d,%s%09d,Modelo %d,1,01/02/2024\r\n" % (i % 50, prefijo, i, i % 97))
        if len(bloque) == 10000:
            f.write(b"".join(bloque))
            bloque = []
    f.write(b"".join(bloque))


def csv(caso, final, inicio=b""):
    with open(ruta(caso, caso + ".csv"), "wb") as f:
        f.write(inicio + CABECERA)
        filas_llanas(f, FILAS)
        f.write(final)


# Texto: el defecto al final de un millón de filas llanas.
csv("acentos_tardios", "E,SER\u00e91,G\u00fcemes,1,x\r\nE,SER\u00e81,G\u00fcemes,1,x\r\n".encode("cp1252"))
csv("nulo_tardio", b"E,S\x00,M,1,x\r\n")
csv("marca_que_miente", "E,SER\u00e91,G\u00fcemes,1,x\r\n".encode("cp1252"), inicio=b"\xef\xbb\xbf")
csv("comilla_sin_cerrar", b'E,"SER1,M,1,x\r\n' + b"E,S,M,1,x\r\n" * 1000)
# Un csv sano para truncarlo en medio de la importación.
csv("truncado_en_medio", b"")

XML_LIBRO = (b'<?xml version="1.0"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" '
             b'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets>'
             b'<sheet name="Hoja1" sheetId="1" r:id="rId1"/></sheets></workbook>')
XML_RELS = (b'<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            b'<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" '
            b'Target="worksheets/sheet1.xml"/><Relationship Id="rId2" '
            b'Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" '
            b'Target="sharedStrings.xml"/></Relationships>')


def xlsx(caso, hoja, cadenas=None, nombre=None):
    """hoja y cadenas: bytes o un generador de trozos de bytes (se comprimen por partes)."""
    r = ruta(caso, (nombre or caso) + ".xlsx")
    with zipfile.ZipFile(r, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
        z.writestr("xl/workbook.xml", XML_LIBRO)
        z.writestr("xl/_rels/workbook.xml.rels", XML_RELS)
        for parte, datos in (("xl/worksheets/sheet1.xml", hoja), ("xl/sharedStrings.xml", cadenas)):
            if datos is None:
                continue
            with z.open(parte, "w", force_zip64=True) as p:
                for trozo in ([datos] if isinstance(datos, bytes) else datos):
                    p.write(trozo)
    return r


def hoja(interior):
    return b'<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>' + interior + b"</sheetData></worksheet>"


def repetir(inicio, pieza, veces, fin, trozo=1 << 20):
    yield inicio
    por = max(1, trozo // len(pieza))
    hechos = 0
    while hechos < veces:
        n = min(por, veces - hechos)
        yield pieza * n
        hechos += n
    yield fin


CAB = b'<row r="1"><c t="inlineStr"><is><t>eca1</t></is></c><c t="inlineStr"><is><t>serie</t></is></c></row>'
xlsx("salto_de_fila", hoja(CAB + b'<row r="2147483647"><c t="inlineStr"><is><t>x</t></is></c></row>'))
# Una fila de veinte millones de celdas vacías.
xlsx("fila_ancha", repetir(hoja(b"")[:-len(b"</sheetData></worksheet>")] + CAB + b'<row r="2">', b"<c/>", 20_000_000,
                           b"</row></sheetData></worksheet>"))
# Cadenas compartidas: muchas cadenas vacías; la hoja pide la última.
N_CADENAS = 120_000_000
xlsx("bomba_de_cadenas", hoja(CAB.replace(b"</row>", b"") + b'</row><row r="2"><c><v>1</v></c><c t="s"><v>%d</v></c></row>' % (N_CADENAS - 1)),
     repetir(b'<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">', b"<si/>", N_CADENAS, b"</sst>"))
# Una hoja que se infla a más de 1 GiB (blancos entre filas).
xlsx("parte_inflada", repetir(hoja(b"")[:-len(b"</sheetData></worksheet>")] + CAB, b" " * 1024, 1_100_000,
                              b"</sheetData></worksheet>"))
# Un libro sano y otro distinto para reemplazarlo en medio.
filas_libro = b"".join(b'<row r="%d"><c><v>%d</v></c><c t="s"><v>%d</v></c></row>' % (i, i, i % 2) for i in range(2, 300_002))
xlsx("reemplazado_en_medio", hoja(CAB + filas_libro), b"<sst><si><t>par</t></si><si><t>impar</t></si></sst>")
xlsx("reemplazado_en_medio", hoja(CAB + b'<row r="2"><c><v>1</v></c><c t="s"><v>0</v></c></row>'),
     b"<sst><si><t>OTRO</t></si><si><t>OTRO</t></si></sst>", nombre="otro")
os.rename(ruta("reemplazado_en_medio", "otro.xlsx"), ruta("reemplazado_otro", "otro.xlsx"))

# SQLite: una vista de valores de 800 MB y una que no termina.
for caso, vista in (("valor_enorme", "SELECT 'E' AS eca1, 'S' || i AS serie, zeroblob(800000000) AS modelo, 1 AS otro, 'x' AS activacion FROM n"),
                    ("vista_sin_fin", "SELECT 'E' AS eca1, 'S' || i AS serie, 'M' AS modelo, 1 AS otro, 'x' AS activacion FROM n WHERE i < 0")):
    r = ruta(caso, caso + ".db")
    if os.path.exists(r):
        os.remove(r)
    db = sqlite3.connect(r)
    fin = "WHERE i < 3" if caso == "valor_enorme" else ""
    db.execute(f"CREATE VIEW garantias AS WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n {fin}) {vista}")
    db.commit()
    db.close()

# Celdas y números: una celda de 2 MiB al final de la hoja (no se recorta), series de 19 cifras
# guardadas como número (se leen de sus cifras, ninguna choca con su vecina), filas que vuelven atrás.
filas_numericas = (b'<row r="%d"><c t="str"><v>E</v></c><c><v>%d</v></c><c t="str"><v>M</v></c><c/><c t="str"><v>A</v></c></row>'
                   % (i, 8954031234567890123 + i) for i in range(2, FILAS + 2))
CAB5 = (b'<row r="1"><c t="str"><v>eca1</v></c><c t="str"><v>serie</v></c><c t="str"><v>modelo</v></c>'
        b'<c t="str"><v>otro</v></c><c t="str"><v>activacion</v></c></row>')
def hoja_numerica():
    yield hoja(b"")[:-len(b"</sheetData></worksheet>")] + CAB5
    bloque = []
    for fila in filas_numericas:
        bloque.append(fila)
        if len(bloque) == 10000:
            yield b"".join(bloque)
            bloque = []
    yield b"".join(bloque) + b"</sheetData></worksheet>"


xlsx("serie_numerica", hoja_numerica())
xlsx("celda_larga", hoja(CAB5 + b"".join(
    b'<row r="%d"><c t="str"><v>E</v></c><c t="str"><v>S%d</v></c><c t="str"><v>M</v></c><c/><c t="str"><v>A</v></c></row>' % (i, i)
    for i in range(2, 100002)) + b'<row r="100002"><c t="str"><v>E</v></c><c t="inlineStr"><is><t>' + b"9" * (2 << 20)
    + b'</t></is></c></row>'))
xlsx("fila_atras", hoja(CAB5 + b"".join(
    b'<row r="%d"><c t="str"><v>E</v></c><c t="str"><v>S%d</v></c><c t="str"><v>M</v></c><c/><c t="str"><v>A</v></c></row>' % (i, i)
    for i in range(2, 100002)) + b'<row r="7"><c t="str"><v>E</v></c><c t="str"><v>X</v></c></row>'))

# SQLite: las series en un REAL; la última de 19 cifras.
r = ruta("serie_real", "serie_real.db")
if os.path.exists(r):
    os.remove(r)
db = sqlite3.connect(r)
db.execute("CREATE TABLE garantias (eca1 TEXT, serie REAL, modelo TEXT, otro TEXT, activacion TEXT)")
db.executemany("INSERT INTO garantias VALUES ('E', ?, 'M', 'x', 'A')", ((float(i),) for i in range(1, FILAS)))
db.execute("INSERT INTO garantias VALUES ('E', 8954031234567890123.0, 'M', 'x', 'A')")
db.commit()
db.close()

# dBase III de FILAS registros cuyo largo de cabecera dice 7 bytes de más.
campos = [(b"ECA1", 4), (b"SERIE", 12), (b"MODELO", 10), (b"OTRO", 1), (b"ACTIV", 10)]
largo_registro = 1 + sum(l for _, l in campos)
largo_cabecera = 32 + 32 * len(campos) + 1
with open(ruta("dbf_miente", "dbf_miente.dbf"), "wb") as f:
    f.write(struct.pack("<BBBBIHH20x", 0x03, 124, 1, 1, FILAS, largo_cabecera + 7, largo_registro))
    for nombre, largo in campos:
        f.write(nombre.ljust(11, b"\0") + b"C" + b"\0" * 4 + bytes([largo, 0]) + b"\0" * 14)
    f.write(b"\x0d")
    bloque = []
    for i in range(FILAS):
        bloque.append(b" " + b"E".ljust(4) + (b"S%09d" % i).ljust(12) + b"Modelo".ljust(10) + b"x" + b"01/01/2026")
        if len(bloque) == 10000:
            f.write(b"".join(bloque))
            bloque = []
    f.write(b"".join(bloque) + b"\x1a")


# Excel 97 (BIFF8) en un documento compuesto, escrito a mano: registros de celdas y los sectores
# que los guardan (hasta 109 sectores de FAT: unos 7 MB de libro).
def biff(tipo, datos):
    return struct.pack("<HH", tipo, len(datos)) + datos


def texto_biff8(t):
    b = t.encode("latin-1")
    return struct.pack("<HB", len(b), 0) + b


def libro_xls(filas):
    """filas: listas de 5 valores (str, o float para un NUMBER)."""
    bof = lambda clase: biff(0x0809, struct.pack("<HH", 0x0600, clase) + b"\0" * 12)
    eof = biff(0x000A, b"")
    xf = biff(0x00E0, b"\0" * 20)
    def hoja_en_lista(inicio):
        return biff(0x0085, struct.pack("<IBB", inicio, 0, 0) + struct.pack("<BB", 5, 0) + b"Hoja1")
    celdas = []
    for n, fila in enumerate(filas):
        for c, v in enumerate(fila):
            if isinstance(v, float):
                celdas.append(biff(0x0203, struct.pack("<HHHd", n, c, 0, v)))
            elif v:
                celdas.append(biff(0x0204, struct.pack("<HHH", n, c, 0) + texto_biff8(v)))
    largo_global = len(bof(5)) + len(xf) + len(hoja_en_lista(0)) + len(eof)
    return bof(5) + xf + hoja_en_lista(largo_global) + eof + bof(0x10) + b"".join(celdas) + eof


def documento_ole(flujo, nombre="Workbook"):
    S, FIN, LIBRE, FAT = 512, 0xFFFFFFFE, 0xFFFFFFFF, 0xFFFFFFFD
    flujo_relleno = flujo + b"\0" * (-len(flujo) % S)
    nd = len(flujo_relleno) // S
    nf = 1
    while nf * (S // 4) < nf + 1 + nd:
        nf += 1
    assert nf <= 109, "libro demasiado grande para este escritor"
    fat = [FAT] * nf + [FIN] + [nf + 2 + i if i + 1 < nd else FIN for i in range(nd)]
    fat += [LIBRE] * (nf * (S // 4) - len(fat))
    def entrada(n, tipo, inicio, tamano, hijo):
        e = bytearray(128)
        nb = n.encode("utf-16-le")
        e[0:len(nb)] = nb
        struct.pack_into("<HB", e, 0x40, len(nb) + 2, tipo)
        struct.pack_into("<III", e, 0x44, LIBRE, LIBRE, hijo)
        struct.pack_into("<II", e, 0x74, inicio, tamano)
        return bytes(e)
    directorio = entrada("Root Entry", 5, FIN, 0, 1) + entrada(nombre, 2, nf + 1, len(flujo), LIBRE)
    directorio += b"\0" * (S - len(directorio))
    cab = bytearray(S)
    cab[0:8] = b"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"
    struct.pack_into("<HHHHH", cab, 0x18, 0x3E, 3, 0xFFFE, 9, 6)
    struct.pack_into("<IIIIIIII", cab, 0x2C, nf, nf, 0, 4096, FIN, 0, FIN, 0)
    for i in range(109):
        struct.pack_into("<I", cab, 0x4C + 4 * i, i if i < nf else LIBRE)
    return bytes(cab) + struct.pack("<%dI" % len(fat), *fat) + directorio + flujo_relleno


# xls: 50.000 filas con la serie como texto y al final una de 19 cifras como número; el mismo
# libro cortado a la mitad.
FILAS_XLS = min(FILAS, 50000)
filas_xls = [["eca1", "serie", "modelo", "otro", "activacion"]]
filas_xls += [["E", "S%09d" % i, "Modelo", "x", "01/01/2026"] for i in range(FILAS_XLS)]
filas_xls.append(["E", 8954031234567890123.0, "Modelo", "x", "01/01/2026"])
xls = documento_ole(libro_xls(filas_xls))
with open(ruta("xls_serie_numerica", "xls_serie_numerica.xls"), "wb") as f:
    f.write(xls)
with open(ruta("xls_cortado", "xls_cortado.xls"), "wb") as f:
    f.write(xls[: len(xls) // 2])
