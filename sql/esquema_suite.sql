-- Base de la suite embebida (SQLite): las tablas y vistas que el programa lee o escribe.
-- El programa la crea así la primera vez que se conecta a una base que no existe.
--
-- Los textos se comparan como en SQL Server: sin distinguir mayúsculas ni blancos finales
-- (colación ESPANOL_CI). Las fechas de las transmisiones se guardan como texto dd/mm/yyyy y se
-- ordenan por fecha (colación FECHA_DMY). Ambas colaciones las registra el programa al abrir la
-- base: para consultarla con otra herramienta, lea las tablas sin ordenar ni comparar por esas
-- columnas, o use el programa de línea de comandos.

-- Guarantee registrations, one per serial number.
CREATE TABLE AUX_GARANTIA (
    modelo          TEXT COLLATE ESPANOL_CI,
    serie           TEXT COLLATE ESPANOL_CI NOT NULL,
    nroTransmision  INTEGER,
    eca1            TEXT COLLATE ESPANOL_CI,
    activacion      TEXT COLLATE ESPANOL_CI
);
-- Una serie se guarda una sola vez.
CREATE UNIQUE INDEX AUX_GARANTIA_serie ON AUX_GARANTIA (serie);
-- Las filas de una transmisión (pestaña "Consultar").
CREATE INDEX AUX_GARANTIA_nroTransmision ON AUX_GARANTIA (nroTransmision);

-- Una fila por transmisión (corrida de importación).
CREATE TABLE MV_TRANSMISIONES (
    TIPO               TEXT COLLATE ESPANOL_CI NOT NULL DEFAULT 'S',
    Transmision        INTEGER NOT NULL,
    Fecha              TEXT COLLATE FECHA_DMY,
    Hora               TEXT,
    Responsable_envio  TEXT COLLATE ESPANOL_CI,
    Anulado            INTEGER NOT NULL DEFAULT 0
);
CREATE UNIQUE INDEX MV_TRANSMISIONES_Transmision ON MV_TRANSMISIONES (Transmision);
CREATE INDEX MV_TRANSMISIONES_Fecha ON MV_TRANSMISIONES (TIPO, Fecha, Hora);

-- Usuarios de la suite, uno por usuario y sistema. Las claves, codificadas.
CREATE TABLE TA_USUARIOS (
    NOMBRE         TEXT COLLATE ESPANOL_CI NOT NULL,
    SISTEMA        TEXT COLLATE ESPANOL_CI NOT NULL,
    Password       TEXT,
    gUsuarioClave  TEXT
);
CREATE UNIQUE INDEX TA_USUARIOS_NOMBRE ON TA_USUARIOS (NOMBRE, SISTEMA);

-- Configuración: una fila por clave.
CREATE TABLE TA_CONFIGURACION (
    Grupo            TEXT COLLATE ESPANOL_CI,
    Clave            TEXT COLLATE ESPANOL_CI NOT NULL,
    Valor            TEXT,
    PoliticaNegocio  INTEGER NOT NULL DEFAULT 0,
    ValorAux         TEXT
);
CREATE INDEX TA_CONFIGURACION_Clave ON TA_CONFIGURACION (Clave);

-- Tareas (permisos) de cada usuario y entradas del menú de la suite.
CREATE TABLE TA_TAREAS (
    USUARIO  TEXT COLLATE ESPANOL_CI NOT NULL,
    TAREA    TEXT COLLATE ESPANOL_CI NOT NULL
);
CREATE INDEX TA_TAREAS_USUARIO ON TA_TAREAS (USUARIO);

CREATE TABLE TA_MENU (
    Clave    TEXT COLLATE ESPANOL_CI NOT NULL,
    Proceso  TEXT COLLATE ESPANOL_CI,
    Nombre   TEXT COLLATE ESPANOL_CI
);
CREATE INDEX TA_MENU_Clave ON TA_MENU (Clave);

-- Una fila por cada inicio de un programa.
CREATE TABLE Control_Acceso (
    Maquina        TEXT COLLATE ESPANOL_CI,
    Usuario        TEXT COLLATE ESPANOL_CI,
    Formulario     TEXT COLLATE ESPANOL_CI,
    Tarea          TEXT COLLATE ESPANOL_CI,
    Ingreso        TEXT,
    NombreUsuario  TEXT COLLATE ESPANOL_CI
);

-- Registro de acciones sobre comprobantes. El programa escribe en la vista, que lo pasa a la tabla.
CREATE TABLE MV_CPTEACCIONES (
    TC             TEXT COLLATE ESPANOL_CI,
    IdComprobante  TEXT COLLATE ESPANOL_CI,
    IdComplemento  INTEGER,
    Tipo_accion    TEXT COLLATE ESPANOL_CI,
    FECHAHORA      TEXT,
    Usuario        TEXT COLLATE ESPANOL_CI,
    PC             TEXT COLLATE ESPANOL_CI,
    SYSTEMUSER     TEXT,
    Proceso        TEXT COLLATE ESPANOL_CI,
    ProcesoLote    TEXT,
    Cuenta         TEXT COLLATE ESPANOL_CI
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
