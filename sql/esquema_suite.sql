-- Base de la suite embebida (SQLite): las tablas y vistas que el programa lee o escribe.
-- El programa la crea así la primera vez que se conecta a una base que no existe.
--
-- Se abre con cualquier herramienta de SQLite (el programa sqlite3, DB Browser for SQLite) sin
-- cargar nada. Los textos se declaran COLLATE NOCASE: dentro del programa esa colación es la de
-- SQL Server en español (sin distinguir mayúsculas, también las acentuadas como Ñ/ñ, sin contar
-- los blancos finales; y las fechas dd/mm/yyyy se ordenan por fecha); en otra herramienta es la
-- NOCASE de SQLite (sólo letras ASCII). Ningún índice usa esa colación, así las dos lecturas
-- nunca desordenan un índice.
--
-- Las claves únicas usan una expresión con funciones propias de SQLite: el texto sin blancos
-- finales, con las mayúsculas A-Z y las acentuadas de los idiomas latinos (Á É Í Ó Ú Ü Ñ À È Ì
-- Ò Ù Â Ê Î Ô Û Ã Õ Ç Ä Ë Ï Ö Å) pasadas a minúsculas. La de la serie es la columna calculada
-- serie_clave (búsquela así: WHERE serie_clave = lower('ab123')). Una fila agregada desde otra
-- herramienta cumple la misma regla: una serie que ya está (en otra escritura de mayúsculas o con
-- blancos al final) se rechaza con "UNIQUE constraint failed".

-- Guarantee registrations, one per serial number.
CREATE TABLE AUX_GARANTIA (
    modelo          TEXT COLLATE NOCASE,
    serie           TEXT COLLATE NOCASE NOT NULL,
    nroTransmision  INTEGER,
    eca1            TEXT COLLATE NOCASE,
    activacion      TEXT COLLATE NOCASE,
    -- La clave de la serie (ver arriba), calculada: no se escribe.
    serie_clave     TEXT GENERATED ALWAYS AS (
        (CASE WHEN serie GLOB '*[^ -~]*' THEN lower(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(rtrim(serie,' '),'Á','á'),'É','é'),'Í','í'),'Ó','ó'),'Ú','ú'),'Ü','ü'),'Ñ','ñ'),'À','à'),'È','è'),'Ì','ì'),'Ò','ò'),'Ù','ù'),'Â','â'),'Ê','ê'),'Î','î'),'Ô','ô'),'Û','û'),'Ã','ã'),'Õ','õ'),'Ç','ç'),'Ä','ä'),'Ë','ë'),'Ï','ï'),'Ö','ö'),'Å','å'))
          ELSE lower(rtrim(serie,' ')) END)
    ) VIRTUAL
);
-- Una serie se guarda una sola vez; también el índice de las búsquedas por serie.
CREATE UNIQUE INDEX IF NOT EXISTS AUX_GARANTIA_serie_clave ON AUX_GARANTIA (serie_clave);
-- Las filas de una transmisión (pestaña "Consultar").
CREATE INDEX AUX_GARANTIA_nroTransmision ON AUX_GARANTIA (nroTransmision);

-- Una fila por transmisión (corrida de importación).
CREATE TABLE MV_TRANSMISIONES (
    TIPO               TEXT COLLATE NOCASE NOT NULL DEFAULT 'S',
    Transmision        INTEGER NOT NULL,
    Fecha              TEXT COLLATE NOCASE,
    Hora               TEXT,
    Responsable_envio  TEXT COLLATE NOCASE,
    Anulado            INTEGER NOT NULL DEFAULT 0
);
CREATE UNIQUE INDEX MV_TRANSMISIONES_Transmision ON MV_TRANSMISIONES (Transmision);

-- Usuarios de la suite, uno por usuario y sistema. Las claves, codificadas.
CREATE TABLE TA_USUARIOS (
    NOMBRE         TEXT COLLATE NOCASE NOT NULL,
    SISTEMA        TEXT COLLATE NOCASE NOT NULL,
    Password       TEXT,
    gUsuarioClave  TEXT
);
CREATE UNIQUE INDEX IF NOT EXISTS TA_USUARIOS_clave ON TA_USUARIOS (
    (CASE WHEN NOMBRE GLOB '*[^ -~]*' THEN lower(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(rtrim(NOMBRE,' '),'Á','á'),'É','é'),'Í','í'),'Ó','ó'),'Ú','ú'),'Ü','ü'),'Ñ','ñ'),'À','à'),'È','è'),'Ì','ì'),'Ò','ò'),'Ù','ù'),'Â','â'),'Ê','ê'),'Î','î'),'Ô','ô'),'Û','û'),'Ã','ã'),'Õ','õ'),'Ç','ç'),'Ä','ä'),'Ë','ë'),'Ï','ï'),'Ö','ö'),'Å','å'))
          ELSE lower(rtrim(NOMBRE,' ')) END),
    lower(rtrim(SISTEMA,' '))
);

-- Configuración: una fila por clave.
CREATE TABLE TA_CONFIGURACION (
    Grupo            TEXT COLLATE NOCASE,
    Clave            TEXT COLLATE NOCASE NOT NULL,
    Valor            TEXT,
    PoliticaNegocio  INTEGER NOT NULL DEFAULT 0,
    ValorAux         TEXT
);

-- Tareas (permisos) de cada usuario y entradas del menú de la suite.
CREATE TABLE TA_TAREAS (
    USUARIO  TEXT COLLATE NOCASE NOT NULL,
    TAREA    TEXT COLLATE NOCASE NOT NULL
);

CREATE TABLE TA_MENU (
    Clave    TEXT COLLATE NOCASE NOT NULL,
    Proceso  TEXT COLLATE NOCASE,
    Nombre   TEXT COLLATE NOCASE
);

-- Una fila por cada inicio de un programa.
CREATE TABLE Control_Acceso (
    Maquina        TEXT COLLATE NOCASE,
    Usuario        TEXT COLLATE NOCASE,
    Formulario     TEXT COLLATE NOCASE,
    Tarea          TEXT COLLATE NOCASE,
    Ingreso        TEXT,
    NombreUsuario  TEXT COLLATE NOCASE
);

-- Registro de acciones sobre comprobantes. El programa escribe en la vista, que lo pasa a la tabla.
CREATE TABLE MV_CPTEACCIONES (
    TC             TEXT COLLATE NOCASE,
    IdComprobante  TEXT COLLATE NOCASE,
    IdComplemento  INTEGER,
    Tipo_accion    TEXT COLLATE NOCASE,
    FECHAHORA      TEXT,
    Usuario        TEXT COLLATE NOCASE,
    PC             TEXT COLLATE NOCASE,
    SYSTEMUSER     TEXT,
    Proceso        TEXT COLLATE NOCASE,
    ProcesoLote    TEXT,
    Cuenta         TEXT COLLATE NOCASE
);
CREATE VIEW V_MV_CPTEACCIONES AS
    SELECT TC, IdComprobante, IdComplemento, Tipo_accion, FECHAHORA, Usuario, PC, SYSTEMUSER, Proceso,
           ProcesoLote, Cuenta
    FROM MV_CPTEACCIONES;
CREATE TRIGGER V_MV_CPTEACCIONES_insertar INSTEAD OF INSERT ON V_MV_CPTEACCIONES
BEGIN
    INSERT INTO MV_CPTEACCIONES (TC, IdComprobante, IdComplemento, Tipo_accion, FECHAHORA, Usuario, PC,
                                 SYSTEMUSER, Proceso, ProcesoLote, Cuenta)
    VALUES (NEW.TC, NEW.IdComprobante, NEW.IdComplemento, NEW.Tipo_accion, NEW.FECHAHORA, NEW.Usuario, NEW.PC,
            NEW.SYSTEMUSER, NEW.Proceso, NEW.ProcesoLote, NEW.Cuenta);
END;

-- Sentencias que fallaron, de todas las estaciones.
CREATE TABLE AUX_ERR (
    Proceso      TEXT,
    fecha        TEXT,
    Error        INTEGER,
    Descripcion  TEXT,
    SQL          TEXT,
    PC           TEXT,
    Usuario      TEXT
);

-- El diario de las importaciones de este programa (no es una tabla de la suite): una fila por
-- corrida, con el archivo que leyó, lo que contó y cómo terminó. Responde qué archivo hizo cada
-- transmisión y si un archivo ya se importó. Resultado: 'en curso' mientras corre; después
-- 'completa', 'detenida' (el operador o una señal la pararon), 'fallida' o 'interrumpida' (el
-- proceso murió en medio: lo marca el próximo inicio en la misma estación). Una corrida que no
-- agregó filas queda sin Transmision. Las fechas, 'yyyy-mm-dd hh:mm:ss' (se ordenan como texto).
-- Una base hecha antes lo recibe al abrirse.
CREATE TABLE IF NOT EXISTS GARANTIAS_CORRIDAS (
    Corrida      TEXT NOT NULL PRIMARY KEY,
    Transmision  INTEGER,
    Archivo      TEXT COLLATE NOCASE,
    Ruta         TEXT,
    Tamano       INTEGER,
    Modificado   TEXT,
    Sha256       TEXT,
    Tabla        TEXT,
    Clase        TEXT,
    Leidas       INTEGER NOT NULL DEFAULT 0,
    Agregadas    INTEGER NOT NULL DEFAULT 0,
    YaGuardadas  INTEGER NOT NULL DEFAULT 0,
    SinSerie     INTEGER NOT NULL DEFAULT 0,
    Fallidas     INTEGER NOT NULL DEFAULT 0,
    Inicio       TEXT,
    Fin          TEXT,
    Resultado    TEXT NOT NULL,
    Estacion     TEXT,
    Usuario      TEXT,
    Proceso      INTEGER,
    Anulada      TEXT,
    AnuladaPor   TEXT
);
CREATE INDEX IF NOT EXISTS GARANTIAS_CORRIDAS_Transmision ON GARANTIAS_CORRIDAS (Transmision);
CREATE INDEX IF NOT EXISTS GARANTIAS_CORRIDAS_Sha256 ON GARANTIAS_CORRIDAS (Sha256);
