#!/usr/bin/env python3
"""Un punto TDS 7.3 con guion, para probar el camino de SQL Server con el controlador real.

No es un motor: no corre T-SQL. Habla lo que el controlador FreeTDS necesita (pre-ingreso sin
cifrado, LOGIN7, lotes de SQL, RPC de sentencias preparadas, pedidos de transacción y atención),
contesta cada pedido según un guion y anota cada pedido, para que la prueba mire lo que se mandó.

Lleva, como el servidor, el estado de cada sesión (ver Sesion): @@TRANCOUNT, el descriptor de la
transacción abierta, NOCOUNT; y un almacén con lo que el programa guarda (las filas de
AUX_GARANTIA, las transmisiones, el diario GARANTIAS_CORRIDAS), que una transacción ve y cambia
sólo para sí hasta confirmarse, y que se pierde si se deshace o si el enlace se cierra con la
transacción abierta. Las sentencias que sabe leer son las del programa, no T-SQL en general.

Uso: punto_tds.py --guion guion.json --registro pedidos.jsonl [--almacen almacen.json]
Escribe "PUERTO <n>" en la salida en cuanto escucha en 127.0.0.1. Con --almacen escribe el
almacén confirmado en ese archivo (JSON) cada vez que cambia.

El guion es una lista de reglas; la primera que calza con un pedido lo contesta:
  {"clase": "lote"|"rpc"|"tm"|"ingreso", "contiene": "texto", "proc": "sp_execute",
   "veces": n, "saltar": n,
   "responder": [fichas...] | "callar": true | "cortar": true | "cortar": "despues"}
  "contiene" se busca (sin distinguir mayúsculas) en el texto del lote o de la sentencia del RPC
  (también en la sentencia preparada a la que apunta un sp_execute). "veces": cuántos pedidos
  contesta (sin él, todos); "saltar": cuántos pedidos que calzan deja pasar antes.
Fichas: {"cuenta": n} hecho con n filas; {"sin_cuenta": true} hecho sin cuenta;
  {"filas": {"columnas": ["n"], "valores": [[1], [2]]}} un resultado (enteros o textos);
  {"error": {"numero": 1205, "estado": 51, "clase": 13, "texto": "..."}} un error y su hecho (un
  1205 deshace la transacción entera, como el servidor);
  {"transacciones": n} lleva @@TRANCOUNT a n, con el ENVCHANGE que eso manda (de 0 a más:
  empezada; de más a 0: deshecha).
"callar": no contesta hasta la atención del controlador (vence su espera); entonces manda lo que
  cambió el estado (los ENVCHANGE de las fichas) y el hecho de la atención.
{"clase": "permisos", "tablas": {"AUX_GARANTIA": ["SELECT", "INSERT"], ...}}: el usuario tiene
  sólo esos permisos sobre las tablas del programa; una sentencia que pide otro (ver
  almacen_tds.permisos_pedidos) recibe el error 229 y no corre.
"cortar": cierra el enlace sin contestar (lo abierto se deshace); "cortar": "despues" hace lo
  que haría sin regla (un COMMIT se aplica) y después cierra el enlace sin contestar.
Sin regla: las sentencias del programa que el punto sabe leer se contestan del almacén (ver
Sesion.por_defecto); BEGIN/COMMIT/ROLLBACK y @@TRANCOUNT, como el servidor; lo demás recibe un
hecho sin cuenta (en un RPC, un INSERT recibe "1 fila").

Lo que hace como el servidor, con la sección del documento del protocolo (MS-TDS) o la conducta
documentada del servidor que sigue:
- Encabezados de cada pedido (MS-TDS 2.2.5.3 ALL_HEADERS, 2.2.5.3.2 Transaction Descriptor): el
  descriptor que trae se anota; con una transacción abierta debe ser el de ella, si no el pedido
  se rechaza con el error 3989 sin correr.
- ENVCHANGE 8, 9 y 10 (MS-TDS 2.2.7.9): empezar, confirmar o deshacer una transacción lo dice con
  su descriptor de 8 bytes, sea por un pedido de transacción (MS-TDS 2.2.6.9 Transaction Manager
  Request), por un BEGIN/COMMIT/ROLLBACK dentro de un lote o de un RPC, o porque el servidor
  la deshizo (1205).
- Pedido de transacción sin transacción abierta: COMMIT da el error 3902 y ROLLBACK el 3903, con
  DONE_ERROR (MS-TDS 2.2.7.6 DONE), y no empieza otra aunque se lo pida (fBeginXact).
- Un RPC que deja @@TRANCOUNT distinto del que encontró: error 266 (documentado por el servidor
  para EXECUTE), y su DONEPROC lleva DONE_ERROR (MS-TDS 2.2.7.8 DONEPROC) si hubo un error.
- 1205, clase 13: el servidor deshace la transacción entera de la víctima (documentación del
  servidor sobre bloqueos mutuos), @@TRANCOUNT queda en 0.
- NOCOUNT es de la sesión (SET NOCOUNT, documentación del servidor): sin él, cada sentencia que
  cambia filas lleva DONE_COUNT; con él, no. Un SET dentro de un RPC vale hasta que el RPC vuelve.
- Atención (MS-TDS 2.2.1.7 Attention, 2.2.7.6 DONE_ATTN): lo que el pedido ya cambió queda
  (la transacción que empezó sigue abierta) y se contesta con DONE_ATTN.
- Un enlace que se cierra con una transacción abierta: el servidor la deshace.
"""
import argparse
import datetime
import json
import re
import socket
import struct
import sys
import threading

sys.dont_write_bytecode = True  # el almacén se importa de la carpeta de las pruebas, sin dejar nada
from almacen_tds import (NUMERICAS, Almacen, campo, clave_serie, condiciones, literal, lista_literales,
                         permisos_pedidos)

# Tipos de paquete.
LOTE, RPC, TABULAR, ATENCION, TM, LOGIN7, PRELOGIN = 1, 3, 4, 6, 14, 16, 18
# Procedimientos por número.
PROCS = {1: "sp_cursor", 10: "sp_executesql", 11: "sp_prepare", 12: "sp_execute", 13: "sp_prepexec",
         15: "sp_unprepare"}
# Latin1_General_CI_AS.
COLACION = bytes([0x09, 0x04, 0xD0, 0x00, 0x34])
# Estados de un hecho.
HECHO_MAS, HECHO_ERROR, HECHO_CUENTA, HECHO_ATENCION = 0x01, 0x02, 0x10, 0x20
# Fichas de hecho: DONE, DONEPROC, DONEINPROC.
DONE, DONEPROC, DONEINPROC = 0xFD, 0xFE, 0xFF
# Los textos de los errores del servidor que el punto da por su cuenta.
TEXTOS = {
    266: "Transaction count after EXECUTE indicates a mismatching number of BEGIN and COMMIT statements. "
         "Previous count = %d, current count = %d.",
    3902: "The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION.",
    3903: "The ROLLBACK TRANSACTION request has no corresponding BEGIN TRANSACTION.",
    3989: "New request is not allowed to start because it should come with valid transaction descriptor.",
}


def ucs2(texto):
    return texto.encode("utf-16-le")


def b_varchar(texto):
    return bytes([len(texto)]) + ucs2(texto)


def us_varchar(texto):
    return struct.pack("<H", len(texto)) + ucs2(texto)


def hecho(ficha, estado=0, filas=0):
    return struct.pack("<BHHQ", ficha, estado, 0xC1 if ficha != DONE else 0, filas)


def envchange(tipo, nuevo, viejo):
    if tipo in (7, 8, 9, 10):
        cuerpo = bytes([tipo, len(nuevo)]) + nuevo + bytes([len(viejo)]) + viejo
    else:
        cuerpo = bytes([tipo]) + b_varchar(nuevo) + b_varchar(viejo)
    return bytes([0xE3]) + struct.pack("<H", len(cuerpo)) + cuerpo


def error(numero, estado, clase, texto):
    cuerpo = (struct.pack("<iBB", numero, estado, clase) + us_varchar(texto) + b_varchar("punto")
              + b_varchar("") + struct.pack("<i", 1))
    return bytes([0xAA]) + struct.pack("<H", len(cuerpo)) + cuerpo


def resultado(columnas, valores, enteros=None):
    """Un resultado: COLMETADATA y sus filas. Sin enteros dados, son enteros (int) las columnas cuyos
    valores lo son y texto las demás; con enteros dados, esas columnas van como bigint."""
    ancho = 4 if enteros is None else 8
    if enteros is None:
        enteros = [all(isinstance(f[i], int) or f[i] is None for f in valores) if valores else True
                   for i in range(len(columnas))]
    meta = bytes([0x81]) + struct.pack("<H", len(columnas))
    for nombre, entero in zip(columnas, enteros):
        meta += struct.pack("<IH", 0, 1)
        meta += bytes([0x26, ancho]) if entero else bytes([0xE7]) + struct.pack("<H", 8000) + COLACION
        meta += b_varchar(nombre)
    filas = b""
    for fila in valores:
        filas += bytes([0xD1])
        for v, entero in zip(fila, enteros):
            if entero:
                filas += b"\x00" if v is None else bytes([ancho]) + struct.pack("<i" if ancho == 4 else "<q", int(v))
            else:
                filas += b"\xff\xff" if v is None else struct.pack("<H", len(ucs2(str(v)))) + ucs2(str(v))
    return meta + filas


class Lector:
    def __init__(self, datos):
        self.d, self.p = datos, 0

    def tomar(self, n):
        r = self.d[self.p:self.p + n]
        if len(r) < n:
            raise ValueError("pedido corto")
        self.p += n
        return r

    def u8(self):
        return self.tomar(1)[0]

    def u16(self):
        return struct.unpack("<H", self.tomar(2))[0]

    def u32(self):
        return struct.unpack("<I", self.tomar(4))[0]

    def u64(self):
        return struct.unpack("<Q", self.tomar(8))[0]

    def b_varchar(self):
        return self.tomar(2 * self.u8()).decode("utf-16-le")

    def quedan(self):
        return self.p < len(self.d)


def leer_plp(r):
    total = r.u64()
    if total == 0xFFFFFFFFFFFFFFFF:
        return None
    partes = b""
    while True:
        n = r.u32()
        if n == 0:
            return partes
        partes += r.tomar(n)


def leer_parametro(r):
    """Un parámetro de RPC: su nombre, el tipo declarado y el valor."""
    nombre = r.b_varchar()
    r.u8()  # estado
    tipo = r.u8()
    info = {"nombre": nombre, "tipo": tipo}
    fijos = {0x30: 1, 0x32: 1, 0x34: 2, 0x38: 4, 0x7F: 8, 0x3A: 4, 0x3B: 4, 0x3C: 8, 0x3D: 8, 0x3E: 8,
             0x7A: 4, 0x1F: 0}
    if tipo in fijos:
        crudo = r.tomar(fijos[tipo])
        info["valor"] = struct.unpack("<i", crudo)[0] if tipo == 0x38 else crudo.hex()
    elif tipo in (0x26, 0x68, 0x6D, 0x6E, 0x6F, 0x24):
        info["largo"] = r.u8()
        n = r.u8()
        crudo = r.tomar(n)
        info["valor"] = None if n == 0 else (int.from_bytes(crudo, "little", signed=True)
                                             if tipo == 0x26 else crudo.hex())
    elif tipo == 0x28:
        n = r.u8()
        info["valor"] = r.tomar(n).hex() if n else None
    elif tipo in (0x29, 0x2A, 0x2B):
        r.u8()
        n = r.u8()
        info["valor"] = r.tomar(n).hex() if n else None
    elif tipo in (0x6A, 0x6C):
        info["largo"] = r.u8()
        r.tomar(2)
        n = r.u8()
        info["valor"] = r.tomar(n).hex() if n else None
    elif tipo in (0xA5, 0xAD, 0xA7, 0xAF, 0xE7, 0xEF):
        info["largo"] = r.u16()
        texto = tipo in (0xA7, 0xAF, 0xE7, 0xEF)
        if texto:
            r.tomar(5)
        if info["largo"] == 0xFFFF:
            crudo = leer_plp(r)
        else:
            n = r.u16()
            crudo = None if n == 0xFFFF else r.tomar(n)
        info["valor"] = None if crudo is None else (
            crudo.decode("utf-16-le") if tipo in (0xE7, 0xEF) else
            crudo.decode("latin-1") if texto else crudo.hex())
    elif tipo in (0x22, 0x23, 0x63):
        info["largo"] = r.u32()
        if tipo != 0x22:
            r.tomar(5)
        n = r.u32()
        crudo = None if n == 0xFFFFFFFF else r.tomar(n)
        info["valor"] = None if crudo is None else (
            crudo.decode("utf-16-le") if tipo == 0x63 else crudo.decode("latin-1") if tipo == 0x23 else
            crudo.hex())
    else:
        raise ValueError("tipo de parámetro desconocido 0x%02x" % tipo)
    return info


def leer_encabezados(r):
    """ALL_HEADERS (MS-TDS 2.2.5.3): el descriptor de transacción que trae el pedido (2.2.5.3.2)."""
    inicio = r.p
    total = r.u32()
    descriptor = None
    while r.p < inicio + total:
        largo = r.u32()
        tipo = r.u16()
        datos = r.tomar(largo - 6)
        if tipo == 2 and len(datos) >= 8:
            descriptor = struct.unpack("<Q", datos[:8])[0]
    r.p = inicio + total
    return descriptor


class Punto:
    def __init__(self, guion, registro, almacen):
        # {"clase": "permisos", "tablas": {"AUX_GARANTIA": ["SELECT", ...]}}: el usuario tiene sólo
        # esos permisos; una sentencia que pide otro recibe el error 229 y no corre.
        self.permisos = None
        for regla in guion:
            if regla.get("clase") == "permisos":
                self.permisos = {(p.upper(), t.upper()) for t, ps in regla["tablas"].items() for p in ps}
        guion = [r for r in guion if r.get("clase") != "permisos"]
        self.reglas = [dict(regla, usadas=0, vistas=0) for regla in guion]
        self.registro = open(registro, "a", encoding="utf-8")
        self.cerrojo = threading.Lock()
        self.preparadas = {}
        self.proximo = 1
        self.conexiones = 0
        self.almacen = Almacen(almacen)
        self.almacen.escribir()

    def anotar(self, pedido):
        with self.cerrojo:
            self.registro.write(json.dumps(pedido, ensure_ascii=False) + "\n")
            self.registro.flush()

    def regla(self, pedido):
        with self.cerrojo:
            for r in self.reglas:
                if r.get("clase", pedido["clase"]) != pedido["clase"]:
                    continue
                if "proc" in r and r["proc"] != pedido.get("proc"):
                    continue
                if "contiene" in r and r["contiene"].lower() not in pedido.get("texto", "").lower():
                    continue
                if "veces" in r and r["usadas"] >= r["veces"]:
                    continue
                r["vistas"] += 1
                if r["vistas"] <= r.get("saltar", 0):
                    continue
                r["usadas"] += 1
                return r
        return None

    def atender(self, s):
        with self.cerrojo:
            self.conexiones += 1
            numero = self.conexiones
        Sesion(self, s, numero).correr()


class Sesion:
    """Una conexión y el estado que el servidor lleva por sesión."""

    def __init__(self, punto, s, numero):
        self.punto, self.s, self.numero = punto, s, numero
        self.transacciones = 0  # @@TRANCOUNT
        self.descriptor = 0  # el de la transacción abierta (0: ninguna)
        self.ultimo_descriptor = 0
        self.nocount = False  # SET NOCOUNT de la sesión
        self.pendientes = []  # lo que la transacción abierta cambió en el almacén
        self.retenido = b""  # lo que un pedido callado cambió, para la respuesta a la atención
        self.errores = 0  # errores mandados en la respuesta en curso
        self.agregadas = []  # las filas que agregó la última sentencia de filas

    # ---- El enlace ----

    def recibir(self):
        """Un mensaje entero (uno o más paquetes): su tipo y su cuerpo. None si se cerró."""
        cuerpo, tipo = b"", None
        while True:
            cabeza = self.exacto(8)
            if cabeza is None:
                return None
            tipo, estado, largo = struct.unpack(">BBH", cabeza[:4])
            datos = self.exacto(largo - 8)
            if datos is None:
                return None
            cuerpo += datos
            if estado & 0x01:
                return tipo, cuerpo

    def exacto(self, n):
        datos = b""
        while len(datos) < n:
            trozo = self.s.recv(n - len(datos))
            if not trozo:
                return None
            datos += trozo
        return datos

    def mandar(self, datos, tipo=TABULAR):
        maximo = 4096 - 8
        trozos = [datos[i:i + maximo] for i in range(0, len(datos), maximo)] or [b""]
        for i, trozo in enumerate(trozos):
            estado = 1 if i == len(trozos) - 1 else 0
            self.s.sendall(struct.pack(">BBHHBB", tipo, estado, len(trozo) + 8, 0x33, (i + 1) % 256, 0) + trozo)

    def correr(self):
        try:
            while True:
                mensaje = self.recibir()
                if mensaje is None:
                    return
                if not self.atender(*mensaje):
                    return
        except (OSError, ValueError) as e:
            self.punto.anotar({"conexion": self.numero, "clase": "falla", "texto": str(e)})
        finally:
            # El enlace se cerró con la transacción abierta: el servidor la deshace.
            self.pendientes = []
            try:
                self.s.close()
            except OSError:
                pass

    # ---- La transacción de la sesión ----

    def empezar(self):
        self.transacciones += 1
        if self.transacciones > 1:
            return b""
        self.ultimo_descriptor += 1
        self.descriptor = self.ultimo_descriptor
        return envchange(8, struct.pack("<Q", self.descriptor), b"")

    def confirmar(self, ficha):
        if self.transacciones == 0:
            return self.falla(3902, 1, 16, ficha), False
        self.transacciones -= 1
        if self.transacciones > 0:
            return b"", True
        with self.punto.cerrojo:
            self.punto.almacen.confirmar(self.pendientes)
        self.pendientes = []
        viejo, self.descriptor = self.descriptor, 0
        return envchange(9, b"", struct.pack("<Q", viejo)), True

    def deshacer(self):
        """Deshace la transacción entera (ROLLBACK sin nombre, o el servidor por su cuenta)."""
        if self.transacciones == 0:
            return b""
        self.transacciones = 0
        self.pendientes = []
        viejo, self.descriptor = self.descriptor, 0
        return envchange(10, b"", struct.pack("<Q", viejo))

    def fijar_transacciones(self, n):
        """Lo que una ficha del guion dice que dejó el pedido: @@TRANCOUNT en n."""
        if n == self.transacciones:
            return b""
        if n == 0:
            return self.deshacer()
        datos = b""
        if self.transacciones == 0:
            datos = self.empezar()
        self.transacciones = n
        return datos

    def error(self, numero, estado, clase, texto):
        self.errores += 1
        return error(numero, estado, clase, texto)

    def falla(self, numero, estado, clase, ficha, mas=0, *argumentos):
        texto = TEXTOS[numero] % argumentos if argumentos else TEXTOS[numero]
        return self.error(numero, estado, clase, texto) + hecho(ficha, mas | HECHO_ERROR)

    def cuenta(self, ficha, mas, filas, nocount=None):
        """El hecho de una sentencia que cambió filas: con la cuenta, salvo con NOCOUNT."""
        if self.nocount if nocount is None else nocount:
            return hecho(ficha, mas)
        return hecho(ficha, mas | HECHO_CUENTA, filas)

    # ---- Los pedidos ----

    def atender(self, tipo, cuerpo):
        if tipo == PRELOGIN:
            self.prelogin()
            return True
        if tipo == LOGIN7:
            return self.ingreso(cuerpo)
        if tipo == ATENCION:
            self.punto.anotar({"conexion": self.numero, "clase": "atencion"})
            self.mandar(self.retenido + hecho(DONE, HECHO_ATENCION))
            self.retenido = b""
            return True
        r = Lector(cuerpo)
        descriptor = leer_encabezados(r) if tipo in (LOTE, RPC, TM) else None
        if tipo == LOTE:
            texto = r.d[r.p:].decode("utf-16-le")
            pedido = {"conexion": self.numero, "clase": "lote", "texto": texto}
        elif tipo == RPC:
            pedido = self.rpc(r)
        elif tipo == TM:
            pedido = self.tm(r)
        else:
            pedido = {"conexion": self.numero, "clase": "otro", "tipo": tipo}
        pedido["transacciones"] = self.transacciones
        if descriptor is not None:
            pedido["descriptor"] = descriptor
        self.punto.anotar(pedido)
        # Con una transacción abierta, el pedido debe traer su descriptor (MS-TDS 2.2.5.3.2).
        if self.transacciones > 0 and descriptor is not None and descriptor != self.descriptor:
            self.mandar(self.falla(3989, 1, 16, DONEPROC if tipo == RPC else DONE))
            return True
        if self.punto.permisos is not None and pedido["clase"] in ("lote", "rpc") and pedido.get("proc") != "sp_unprepare":
            faltan = sorted(permisos_pedidos(pedido.get("texto", "")) - self.punto.permisos)
            if faltan:
                self.punto.anotar({"conexion": self.numero, "clase": "denegado", "texto": pedido.get("texto", ""),
                                   "permiso": faltan[0][0], "tabla": faltan[0][1]})
                ficha = DONEPROC if tipo == RPC else DONE
                self.mandar(self.error(229, 5, 14, "The %s permission was denied on the object '%s', database "
                                       "'suite', schema 'dbo'." % faltan[0]) + hecho(ficha, HECHO_ERROR))
                return True
        regla = self.punto.regla(pedido)
        if regla and regla.get("cortar") == "despues":
            self.respuesta(pedido, None)  # se aplica como sin regla; la respuesta no llega
            self.s.shutdown(socket.SHUT_RDWR)
            return False
        if regla and regla.get("cortar"):
            self.s.shutdown(socket.SHUT_RDWR)
            return False
        if regla and regla.get("callar"):
            # Lo que el pedido alcanzó a cambiar queda (y sale con la respuesta a la atención).
            self.retenido = self.estado_de_fichas(regla.get("responder", []))
            return True
        self.mandar(self.respuesta(pedido, regla))
        return True

    def prelogin(self):
        opciones = [(0, bytes([10, 0, 0x06, 0x40, 0, 0])), (1, bytes([2])), (2, b"\x00"),
                    (3, b""), (4, b"\x00")]
        cabeza_largo = 5 * len(opciones) + 1
        cabeza, datos = b"", b""
        for clave, valor in opciones:
            cabeza += struct.pack(">BHH", clave, cabeza_largo + len(datos), len(valor))
            datos += valor
        self.mandar(cabeza + b"\xff" + datos)

    def ingreso(self, cuerpo):
        r = Lector(cuerpo)
        r.tomar(36)
        campos = [(r.u16(), r.u16()) for _ in range(9)]

        def campo_ingreso(i):
            inicio, largo = campos[i]
            return cuerpo[inicio:inicio + 2 * largo].decode("utf-16-le", "replace")

        pedido = {"conexion": self.numero, "clase": "ingreso", "usuario": campo_ingreso(1),
                  "base": campo_ingreso(8), "texto": campo_ingreso(8)}
        self.punto.anotar(pedido)
        regla = self.punto.regla(pedido)
        if regla and regla.get("cortar"):
            return False
        if regla and "responder" in regla:
            self.mandar(self.fichas(regla["responder"], DONE, cerrar=True))
            return True
        base = pedido["base"] or "master"
        tds = bytes([0x73, 0x0B, 0x00, 0x03])
        ack = bytes([1]) + tds + b_varchar("Microsoft SQL Server") + bytes([10, 50, 0x0F, 0xA0])
        datos = (envchange(1, base, "master") + envchange(7, COLACION, b"")
                 + envchange(2, "us_english", "") + bytes([0xAD]) + struct.pack("<H", len(ack)) + ack
                 + envchange(4, "4096", "4096") + hecho(DONE))
        self.mandar(datos)
        return True

    def rpc(self, r):
        largo = r.u16()
        proc = PROCS.get(r.u16(), "?") if largo == 0xFFFF else r.tomar(2 * largo).decode("utf-16-le")
        r.u16()  # opciones
        parametros = []
        while r.quedan():
            if r.d[r.p] in (0x80, 0xFF):
                break  # otro RPC en el mismo pedido: no se usa
            parametros.append(leer_parametro(r))
        pedido = {"conexion": self.numero, "clase": "rpc", "proc": proc, "parametros": parametros}
        valores = [p.get("valor") for p in parametros]
        if proc in ("sp_prepare", "sp_prepexec"):
            pedido["declaracion"], pedido["texto"] = valores[1] or "", valores[2] or ""
            pedido["valores"] = valores[3:] if proc == "sp_prepexec" else []
        elif proc == "sp_executesql":
            pedido["texto"] = valores[0] or ""
            pedido["declaracion"] = valores[1] if len(valores) > 1 else ""
            pedido["valores"] = valores[2:]
        elif proc in ("sp_execute", "sp_unprepare"):
            pedido["handle"] = valores[0]
            pedido["texto"] = self.punto.preparadas.get(valores[0], {}).get("texto", "")
            pedido["declaracion"] = self.punto.preparadas.get(valores[0], {}).get("declaracion", "")
            pedido["valores"] = valores[1:]
        return pedido

    def tm(self, r):
        """Un pedido de transacción (MS-TDS 2.2.6.9)."""
        pedido_tipo = r.u16()
        nombres = {5: "empezar", 7: "confirmar", 8: "deshacer", 9: "guardar"}
        pedido = {"conexion": self.numero, "clase": "tm", "pedido": nombres.get(pedido_tipo, str(pedido_tipo))}
        if pedido_tipo in (7, 8):
            r.b_varchar() if r.quedan() else None
            pedido["seguir"] = bool(r.u8()) if r.quedan() else False
        pedido["texto"] = pedido["pedido"]
        return pedido

    def respuesta(self, pedido, regla):
        clase = pedido["clase"]
        if clase == "tm":
            return self.respuesta_tm(pedido, regla)
        if clase == "rpc":
            return self.respuesta_rpc(pedido, regla)
        if regla and "responder" in regla:
            return self.fichas(regla["responder"], DONE, cerrar=True)
        return self.por_defecto(pedido, DONE, 0)

    def respuesta_tm(self, pedido, regla):
        if regla and "responder" in regla:
            return self.fichas(regla["responder"], DONE, cerrar=True)
        p = pedido["pedido"]
        if p == "empezar":
            return self.empezar() + hecho(DONE)
        if p == "confirmar":
            datos, bien = self.confirmar(DONE)
            if not bien:
                return datos  # 3902 con DONE_ERROR; no empieza otra
        elif p == "deshacer":
            if self.transacciones == 0:
                return self.falla(3903, 1, 16, DONE)
            datos = self.deshacer()
        else:
            return hecho(DONE)
        if pedido.get("seguir"):
            datos += self.empezar()
        return datos + hecho(DONE)

    def respuesta_rpc(self, pedido, regla):
        proc = pedido["proc"]
        datos = b""
        if proc in ("sp_prepare", "sp_prepexec"):
            with self.punto.cerrojo:
                handle = self.punto.proximo
                self.punto.proximo += 1
                self.punto.preparadas[handle] = {"texto": pedido["texto"], "declaracion": pedido["declaracion"]}
            pedido["handle"] = handle
            valor = (bytes([0xAC]) + struct.pack("<H", 0) + b_varchar("@handle") + bytes([1])
                     + struct.pack("<IH", 0, 1) + bytes([0x26, 4, 4]) + struct.pack("<i", handle))
            datos += valor
        entrada = self.transacciones
        self.errores = 0
        nocount = self.nocount  # un SET dentro del RPC vale hasta que vuelve
        if proc != "sp_prepare" and proc != "sp_unprepare":
            if regla and "responder" in regla:
                datos += self.fichas(regla["responder"], DONEINPROC, cerrar=False)
            else:
                datos += self.por_defecto(pedido, DONEINPROC, HECHO_MAS)
        self.nocount = nocount
        if proc == "sp_unprepare":
            with self.punto.cerrojo:
                self.punto.preparadas.pop(pedido.get("handle"), None)
        if self.transacciones != entrada:
            datos += self.falla(266, 2, 16, DONEINPROC, HECHO_MAS, entrada, self.transacciones)
        datos += bytes([0x79]) + struct.pack("<i", 0) + hecho(DONEPROC, HECHO_ERROR if self.errores else 0)
        return datos

    def estado_de_fichas(self, lista):
        """Lo que las fichas cambian del estado (sin mandar su resultado): sus ENVCHANGE."""
        datos = b""
        for f in lista:
            if "transacciones" in f:
                datos += self.fijar_transacciones(f["transacciones"])
            elif "error" in f and f["error"]["numero"] == 1205:
                datos += self.deshacer()
        return datos

    def fichas(self, lista, ficha_hecho, cerrar):
        datos = b""
        for i, f in enumerate(lista):
            ultimo = cerrar and i == len(lista) - 1
            mas = 0 if ultimo else HECHO_MAS
            if "transacciones" in f:
                datos += self.fijar_transacciones(f["transacciones"])
                if ultimo:
                    datos += hecho(ficha_hecho)
            elif "cuenta" in f:
                datos += hecho(ficha_hecho, mas | HECHO_CUENTA, f["cuenta"])
            elif "sin_cuenta" in f:
                datos += hecho(ficha_hecho, mas)
            elif "filas" in f:
                filas = f["filas"]
                datos += resultado(filas["columnas"], filas["valores"])
                datos += hecho(ficha_hecho, mas | HECHO_CUENTA, len(filas["valores"]))
            elif "error" in f:
                e = f["error"]
                datos += self.error(e["numero"], e.get("estado", 1), e.get("clase", 16), e.get("texto", "error"))
                # La víctima de un bloqueo mutuo: el servidor deshace su transacción entera.
                if e["numero"] == 1205:
                    datos += self.deshacer()
                datos += hecho(ficha_hecho, mas | HECHO_ERROR)
        return datos

    # ---- Lo que se contesta sin regla ----

    def por_defecto(self, pedido, ficha, mas):
        texto = pedido.get("texto", "")
        t = " ".join(texto.split())
        T = t.upper()
        try:
            return self.sentencia(pedido, t, T, ficha, mas)
        except (ValueError, IndexError, KeyError, TypeError) as e:
            return self.error(102, 1, 15, "El punto no sabe leer esta sentencia: %s" % e) + hecho(ficha, mas | HECHO_ERROR)

    def sentencia(self, pedido, t, T, ficha, mas):
        datos = b""
        # SET NOCOUNT: de la sesión (en un RPC, hasta que vuelve).
        for m in re.finditer(r"\bSET NOCOUNT (ON|OFF)\b", T):
            self.nocount = m.group(1) == "ON"
        if T.startswith("SET DATEFORMAT") or T.startswith("SET NOCOUNT"):
            return hecho(ficha, mas)
        if T == "SELECT @@TRANCOUNT":
            return resultado([""], [[self.transacciones]]) + hecho(ficha, mas | HECHO_CUENTA, 1)
        if T.startswith("IF @@TRANCOUNT > 0 ROLLBACK"):
            return self.deshacer() + hecho(ficha, mas)
        if T.startswith("IF @@TRANCOUNT = 0 BEGIN TRAN"):
            return (self.empezar() if self.transacciones == 0 else b"") + hecho(ficha, mas)
        if re.fullmatch(r"BEGIN TRAN(SACTION)?;?", T):
            return self.empezar() + hecho(ficha, mas)
        if re.fullmatch(r"COMMIT( TRAN(SACTION)?)?;?", T):
            datos, bien = self.confirmar(ficha)
            return datos + (hecho(ficha, mas) if bien else b"")
        if re.fullmatch(r"ROLLBACK( TRAN(SACTION)?)?;?", T):
            if self.transacciones == 0:
                return self.falla(3903, 1, 16, ficha, mas)
            return self.deshacer() + hecho(ficha, mas)
        if "FROM MV_TRANSMISIONES" in T and "MAX(TRANSMISION)" in T:
            nums = [int(k) for k in self.vista()["transmisiones"]]
            return resultado(["transmision"], [[max(nums) if nums else None]]) + hecho(ficha, mas | HECHO_CUENTA, 1)
        if "GETDATE()" in T and T.startswith("SELECT"):
            ahora = datetime.datetime.now().strftime("%d/%m/%Y %H:%M:%S")
            return resultado(["fecha"], [[ahora]]) + hecho(ficha, mas | HECHO_CUENTA, 1)
        m = re.fullmatch(r"INSERT INTO MV_TRANSMISIONES \(([^)]*)\) VALUES \((.*)\)", t, re.I)
        if m:
            fila = dict(zip([c.strip() for c in m.group(1).split(",")], lista_literales(m.group(2))))
            numero = int(campo(fila, "Transmision"))
            if str(numero) in self.vista()["transmisiones"]:
                return self.error(2627, 1, 14, "Violation of PRIMARY KEY constraint.") + hecho(ficha, mas | HECHO_ERROR)
            return self.escribir([("transmisiones", str(numero), fila, True)], ficha, mas, 1)
        m = re.fullmatch(r"SELECT Fecha, Hora, Anulado FROM MV_TRANSMISIONES(?: WITH \(UPDLOCK, HOLDLOCK\))? "
                         r"WHERE TIPO='S' AND Transmision=(-?\d+)", t, re.I)
        if m:
            fila = self.vista()["transmisiones"].get(m.group(1))
            valores = [[campo(fila, "Fecha"), campo(fila, "Hora"), campo(fila, "Anulado")]] if fila else []
            return resultado(["Fecha", "Hora", "Anulado"], valores, [False, False, True]) + hecho(
                ficha, mas | HECHO_CUENTA, len(valores))
        m = re.fullmatch(r"DELETE FROM AUX_GARANTIA WHERE nroTransmision=(-?\d+)", t, re.I)
        if m:
            claves = [k for k, f in self.vista()["garantias"].items() if f["nroTransmision"] == int(m.group(1))]
            return self.escribir([("garantias", k, None, False) for k in claves], ficha, mas, len(claves))
        m = re.fullmatch(r"UPDATE MV_TRANSMISIONES SET Anulado=1 WHERE TIPO='S' AND Transmision=(-?\d+)", t, re.I)
        if m:
            hay = m.group(1) in self.vista()["transmisiones"]
            return self.escribir([("transmisiones", m.group(1), {"Anulado": 1}, False)] if hay else [], ficha, mas,
                                 int(hay))
        m = re.fullmatch(r"SELECT COUNT\(\*\) AS filas FROM AUX_GARANTIA WHERE NroTransmision=(-?\d+)", t, re.I)
        if m:
            n = sum(1 for f in self.vista()["garantias"].values() if f["nroTransmision"] == int(m.group(1)))
            return resultado(["filas"], [[n]]) + hecho(ficha, mas | HECHO_CUENTA, 1)
        if pedido["clase"] == "rpc" and T.startswith("SELECT DISTINCT P.PEDIDA FROM (SELECT 0 AS PEDIDA,"):
            # La consulta de la prueba: el número de cada serie pedida que el almacén tiene.
            guardadas = self.vista()["garantias"]
            pedidas = [[i] for i, serie in enumerate(pedido["valores"])
                       if serie is not None and clave_serie(serie) in guardadas]
            return resultado(["pedida"], pedidas) + hecho(ficha, mas | HECHO_CUENTA, len(pedidas))
        if pedido["clase"] == "rpc" and "DECLARE @F TABLE" in T:
            return self.lote_de_filas(pedido["valores"], ficha, mas)
        if pedido["clase"] == "rpc" and T.startswith("INSERT INTO AUX_GARANTIA"):
            v = pedido["valores"]
            return self.agregar_filas([(v[0], v[1], v[2], v[3], v[4])], ficha, mas)
        if "GARANTIAS_CORRIDAS" in T:
            return self.diario(t, ficha, mas)
        if T.startswith("INSERT"):
            return self.cuenta(ficha, mas, 1)
        return hecho(ficha, mas)

    def vista(self):
        with self.punto.cerrojo:
            return self.punto.almacen.vista(self.pendientes)

    def escribir(self, cambios, ficha, mas, filas):
        """Cambios del almacén: en la transacción abierta, o confirmados solos (autocommit)."""
        if self.transacciones > 0:
            self.pendientes.extend(cambios)
        else:
            with self.punto.cerrojo:
                self.punto.almacen.confirmar(cambios)
        return self.cuenta(ficha, mas, filas)

    def agregar_filas(self, filas, ficha, mas):
        """Filas (modelo, serie, número, eca1, activación): cada una sólo si su serie no está."""
        vistas = set(self.vista()["garantias"])
        cambios, agregadas = [], []
        for i, (modelo, serie, numero, eca1, activacion) in enumerate(filas, 1):
            clave = clave_serie(serie)
            if clave in vistas:
                continue
            vistas.add(clave)
            agregadas.append(i)
            cambios.append(("garantias", clave, {"modelo": modelo, "serie": serie, "nroTransmision": numero,
                                                 "eca1": eca1, "activacion": activacion}, True))
        self.agregadas = agregadas
        return self.escribir(cambios, ficha, mas, len(agregadas))

    def lote_de_filas(self, valores, ficha, mas):
        """El lote del programa: número, total y cuatro valores por fila; devuelve las agregadas.
        Sin transacción abierta el lote abre y confirma la suya (con sus ENVCHANGE)."""
        numero, total = valores[0], valores[1]
        filas = [(valores[2 + 4 * i], valores[3 + 4 * i], numero, valores[4 + 4 * i], valores[5 + 4 * i])
                 for i in range(total)]
        propia = self.transacciones == 0
        datos = self.empezar() if propia else b""
        self.agregar_filas(filas, ficha, mas)
        if propia:
            datos += self.confirmar(ficha)[0]
        # El lote corre con NOCOUNT ON: su resultado es la lista de las filas agregadas.
        return datos + resultado(["n"], [[n] for n in self.agregadas]) + hecho(ficha, mas)

    def diario(self, t, ficha, mas):
        m = re.fullmatch(r"INSERT INTO GARANTIAS_CORRIDAS \(([^)]*)\) VALUES \((.*)\)", t, re.I)
        if m:
            fila = dict(zip([c.strip() for c in m.group(1).split(",")], lista_literales(m.group(2))))
            return self.escribir([("corridas", campo(fila, "Corrida"), fila, True)], ficha, mas, 1)
        m = re.fullmatch(r"UPDATE GARANTIAS_CORRIDAS SET (.*?) WHERE (.*)", t, re.I)
        if m:
            cambios = {}
            for asignacion in re.finditer(r"(\w+)=(N?'(?:[^']|'')*'|NULL|-?\d+(?:\.\d+)?)", m.group(1), re.I):
                cambios[asignacion.group(1)] = literal(asignacion.group(2))
            donde = condiciones(m.group(2))
            claves = [k for k, f in self.vista()["corridas"].items() if donde(f)]
            return self.escribir([("corridas", k, cambios, False) for k in claves], ficha, mas, len(claves))
        m = re.fullmatch(r"SELECT (.*?) FROM GARANTIAS_CORRIDAS(?: WHERE (.*?))?(?: ORDER BY .*)?", t, re.I)
        if m:
            columnas = [c.strip() for c in m.group(1).split(",")]
            donde = condiciones(m.group(2)) if m.group(2) else (lambda f: True)
            corridas = sorted((f for f in self.vista()["corridas"].values() if donde(f)),
                              key=lambda f: (str(campo(f, "Inicio")), str(campo(f, "Corrida"))))
            valores = [[campo(f, c) for c in columnas] for f in corridas]
            # Las columnas de texto van como texto aunque vengan vacías.
            enteros = [c.lower() in NUMERICAS for c in columnas]
            return resultado(columnas, valores, enteros) + hecho(ficha, mas | HECHO_CUENTA, len(valores))
        raise ValueError(t[:80])


def main():
    argumentos = argparse.ArgumentParser()
    argumentos.add_argument("--guion", required=True)
    argumentos.add_argument("--registro", required=True)
    argumentos.add_argument("--almacen")
    a = argumentos.parse_args()
    with open(a.guion, encoding="utf-8") as f:
        guion = json.load(f)
    punto = Punto(guion, a.registro, a.almacen)
    escucha = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    escucha.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    escucha.bind(("127.0.0.1", 0))
    escucha.listen(8)
    print("PUERTO %d" % escucha.getsockname()[1], flush=True)
    while True:
        s, _ = escucha.accept()
        threading.Thread(target=punto.atender, args=(s,), daemon=True).start()


if __name__ == "__main__":
    main()
