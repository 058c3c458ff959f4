#!/usr/bin/env python3
"""Un punto TDS 7.3 con guion, para probar el camino de SQL Server con el controlador real.

No es un motor: no corre T-SQL. Habla lo que el controlador FreeTDS necesita (pre-ingreso sin
cifrado, LOGIN7, lotes de SQL, RPC de sentencias preparadas, pedidos de transacción y atención),
contesta cada pedido según un guion y anota cada pedido, para que la prueba mire lo que se mandó.

Uso: punto_tds.py --guion guion.json --registro pedidos.jsonl
Escribe "PUERTO <n>" en la salida en cuanto escucha en 127.0.0.1.

El guion es una lista de reglas; la primera que calza con un pedido lo contesta:
  {"clase": "lote"|"rpc"|"tm"|"ingreso", "contiene": "texto", "proc": "sp_execute",
   "veces": n, "saltar": n,
   "responder": [fichas...] | "callar": true | "cortar": true}
  "contiene" se busca (sin distinguir mayúsculas) en el texto del lote o de la sentencia del RPC
  (también en la sentencia preparada a la que apunta un sp_execute). "veces": cuántos pedidos
  contesta (sin él, todos); "saltar": cuántos pedidos que calzan deja pasar antes.
Fichas: {"cuenta": n} hecho con n filas; {"sin_cuenta": true} hecho sin cuenta;
  {"filas": {"columnas": ["n"], "valores": [[1], [2]]}} un resultado (enteros o textos);
  {"error": {"numero": 1205, "estado": 51, "clase": 13, "texto": "..."}} un error y su hecho;
  {"transacciones": n} fija lo que @@TRANCOUNT contesta desde ahí (no manda nada).
"callar": no contesta (el controlador vence su espera y manda una atención, que se contesta).
"cortar": cierra el enlace sin contestar.
Sin regla: un lote que pregunta por @@TRANCOUNT recibe la cuenta que lleva el punto; un ROLLBACK
la deja en 0; lo demás recibe un hecho sin cuenta (en un RPC, un INSERT recibe "1 fila").
"""
import argparse
import json
import re
import socket
import struct
import sys
import threading

# Tipos de paquete.
LOTE, RPC, TABULAR, ATENCION, TM, LOGIN7, PRELOGIN = 1, 3, 4, 6, 14, 16, 18
# Procedimientos por número.
PROCS = {1: "sp_cursor", 10: "sp_executesql", 11: "sp_prepare", 12: "sp_execute", 13: "sp_prepexec",
         15: "sp_unprepare"}
# Latin1_General_CI_AS.
COLACION = bytes([0x09, 0x04, 0xD0, 0x00, 0x34])
# Estados de un hecho.
HECHO_MAS, HECHO_ERROR, HECHO_CUENTA, HECHO_ATENCION = 0x01, 0x02, 0x10, 0x20


def ucs2(texto):
    return texto.encode("utf-16-le")


def b_varchar(texto):
    return bytes([len(texto)]) + ucs2(texto)


def us_varchar(texto):
    return struct.pack("<H", len(texto)) + ucs2(texto)


def hecho(ficha, estado=0, filas=0):
    return struct.pack("<BHHQ", ficha, estado, 0xC1 if ficha != 0xFD else 0, filas)


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


def resultado(columnas, valores):
    enteros = [all(isinstance(f[i], int) or f[i] is None for f in valores) if valores else True
               for i in range(len(columnas))]
    meta = bytes([0x81]) + struct.pack("<H", len(columnas))
    for nombre, entero in zip(columnas, enteros):
        meta += struct.pack("<IH", 0, 1)
        meta += bytes([0x26, 4]) if entero else bytes([0xE7]) + struct.pack("<H", 8000) + COLACION
        meta += b_varchar(nombre)
    filas = b""
    for fila in valores:
        filas += bytes([0xD1])
        for v, entero in zip(fila, enteros):
            if entero:
                filas += b"\x00" if v is None else bytes([4]) + struct.pack("<i", v)
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


def saltar_encabezados(r):
    total = r.u32()
    r.tomar(total - 4)


class Punto:
    def __init__(self, guion, registro):
        self.reglas = [dict(regla, usadas=0, vistas=0) for regla in guion]
        self.registro = open(registro, "a", encoding="utf-8")
        self.cerrojo = threading.Lock()
        self.preparadas = {}
        self.proximo = 1
        self.conexiones = 0

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
        Conexion(self, s, numero).correr()


class Conexion:
    def __init__(self, punto, s, numero):
        self.punto, self.s, self.numero = punto, s, numero
        self.transacciones = 0
        self.descriptor = 0

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
            try:
                self.s.close()
            except OSError:
                pass

    def atender(self, tipo, cuerpo):
        if tipo == PRELOGIN:
            self.prelogin()
            return True
        if tipo == LOGIN7:
            return self.ingreso(cuerpo)
        if tipo == ATENCION:
            self.punto.anotar({"conexion": self.numero, "clase": "atencion"})
            self.mandar(hecho(0xFD, HECHO_ATENCION))
            return True
        r = Lector(cuerpo)
        if tipo == LOTE:
            saltar_encabezados(r)
            texto = r.d[r.p:].decode("utf-16-le")
            pedido = {"conexion": self.numero, "clase": "lote", "texto": texto}
        elif tipo == RPC:
            saltar_encabezados(r)
            pedido = self.rpc(r)
        elif tipo == TM:
            saltar_encabezados(r)
            pedido = self.tm(r)
        else:
            pedido = {"conexion": self.numero, "clase": "otro", "tipo": tipo}
        pedido["transacciones"] = self.transacciones
        self.punto.anotar(pedido)
        regla = self.punto.regla(pedido)
        if regla and regla.get("cortar"):
            self.s.shutdown(socket.SHUT_RDWR)
            return False
        if regla and regla.get("callar"):
            self.fichas(regla.get("responder", []), 0xFD, cerrar=False)  # sólo lo que cambia el estado
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

        def campo(i):
            inicio, largo = campos[i]
            return cuerpo[inicio:inicio + 2 * largo].decode("utf-16-le", "replace")

        pedido = {"conexion": self.numero, "clase": "ingreso", "usuario": campo(1), "base": campo(8),
                  "texto": campo(8)}
        self.punto.anotar(pedido)
        regla = self.punto.regla(pedido)
        if regla and regla.get("cortar"):
            return False
        if regla and "responder" in regla:
            self.mandar(self.fichas(regla["responder"], 0xFD, cerrar=True))
            return True
        base = pedido["base"] or "master"
        tds = bytes([0x73, 0x0B, 0x00, 0x03])
        ack = bytes([1]) + tds + b_varchar("Microsoft SQL Server") + bytes([10, 50, 0x0F, 0xA0])
        datos = (envchange(1, base, "master") + envchange(7, COLACION, b"")
                 + envchange(2, "us_english", "") + bytes([0xAD]) + struct.pack("<H", len(ack)) + ack
                 + envchange(4, "4096", "4096") + hecho(0xFD))
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
        pedido_tipo = r.u16()
        nombres = {5: "empezar", 7: "confirmar", 8: "deshacer", 9: "guardar"}
        pedido = {"conexion": self.numero, "clase": "tm", "pedido": nombres.get(pedido_tipo, str(pedido_tipo))}
        if pedido_tipo in (7, 8):
            r.b_varchar() if r.quedan() else None
            pedido["seguir"] = bool(r.u8()) if r.quedan() else False
        pedido["texto"] = pedido["pedido"]
        return pedido

    def nuevo_descriptor(self):
        self.descriptor += 1
        return struct.pack("<Q", self.descriptor)

    def respuesta(self, pedido, regla):
        clase = pedido["clase"]
        if clase == "tm":
            return self.respuesta_tm(pedido, regla)
        if clase == "rpc":
            return self.respuesta_rpc(pedido, regla)
        if regla and "responder" in regla:
            return self.fichas(regla["responder"], 0xFD, cerrar=True)
        return self.por_defecto(pedido.get("texto", ""), 0xFD, 0)

    def por_defecto(self, texto, ficha, mas):
        """Lo que se contesta sin regla: la cuenta de transacciones, un INSERT de una fila."""
        if re.search(r"@@TRANCOUNT", texto, re.I) and not re.search(r"\bROLLBACK\b", texto, re.I):
            return resultado([""], [[self.transacciones]]) + hecho(ficha, mas | HECHO_CUENTA, 1)
        if re.search(r"\bROLLBACK\b", texto, re.I):
            self.transacciones = 0
        elif re.match(r"\s*BEGIN\s+TRAN", texto, re.I):
            self.transacciones += 1
        if ficha == 0xFF and re.match(r"\s*INSERT\b", texto, re.I):
            return hecho(ficha, mas | HECHO_CUENTA, 1)
        return hecho(ficha, mas)

    def respuesta_tm(self, pedido, regla):
        datos = b""
        if regla and "responder" in regla:
            return self.fichas(regla["responder"], 0xFD, cerrar=True)
        p = pedido["pedido"]
        if p == "empezar":
            self.transacciones += 1
            datos += envchange(8, self.nuevo_descriptor(), b"")
        elif p in ("confirmar", "deshacer"):
            viejo = struct.pack("<Q", self.descriptor)
            self.transacciones = 0
            datos += envchange(9 if p == "confirmar" else 10, b"", viejo)
            if pedido.get("seguir"):
                self.transacciones = 1
                datos += envchange(8, self.nuevo_descriptor(), b"")
        return datos + hecho(0xFD)

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
        if proc != "sp_prepare" and proc != "sp_unprepare":
            if regla and "responder" in regla:
                datos += self.fichas(regla["responder"], 0xFF, cerrar=False)
            else:
                datos += self.por_defecto(pedido.get("texto", ""), 0xFF, HECHO_MAS)
        if proc == "sp_unprepare":
            with self.punto.cerrojo:
                self.punto.preparadas.pop(pedido.get("handle"), None)
        datos += bytes([0x79]) + struct.pack("<i", 0) + hecho(0xFE)
        return datos

    def fichas(self, lista, ficha_hecho, cerrar):
        datos = b""
        for i, f in enumerate(lista):
            ultimo = cerrar and i == len(lista) - 1
            mas = 0 if ultimo else HECHO_MAS
            if "transacciones" in f:
                self.transacciones = f["transacciones"]
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
                datos += error(e["numero"], e.get("estado", 1), e.get("clase", 16), e.get("texto", "error"))
                datos += hecho(ficha_hecho, mas | HECHO_ERROR)
        return datos


def main():
    argumentos = argparse.ArgumentParser()
    argumentos.add_argument("--guion", required=True)
    argumentos.add_argument("--registro", required=True)
    a = argumentos.parse_args()
    with open(a.guion, encoding="utf-8") as f:
        guion = json.load(f)
    punto = Punto(guion, a.registro)
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
