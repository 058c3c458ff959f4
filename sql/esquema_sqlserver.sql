-- Base de la suite en SQL Server (2008 en adelante): las tablas y la vista que el programa lee o
-- escribe. Se corre con sqlcmd y -b (se detiene en el primer error), por ejemplo:
--   sqlcmd -b -S servidor -d VENTAS -U usuario -P clave -i sql/esquema_sqlserver.sql
--
-- Sobre una base viva de la suite sólo agrega lo que falta y no cambia lo que ya estaba:
--  - Una tabla que ya existe se deja como está. Los índices únicos se crean sólo en las tablas
--    que este guion crea; en AUX_GARANTIA ya existente (donde datos viejos pueden tener series
--    repetidas, y otros programas de la suite escriben) agrega, si falta, un índice común sobre
--    serie: sin él cada importación recorre y bloquea la tabla entera.
--  - Las columnas de texto que crea llevan COLLATE Modern_Spanish_CI_AS: "abc" y "ABC" son la
--    misma serie. Si AUX_GARANTIA ya existe con una serie que distingue mayúsculas, el guion se
--    detiene con un error que lo dice (el programa guardaría "abc" y "ABC" como dos series).
--  - Los anchos aceptan lo que acepta la base embebida: modelo, eca1 y activación sin límite
--    (nvarchar(max)); la serie hasta 450 caracteres, el largo que admite una clave de índice.
-- Correrlo otra vez no cambia nada.
--
-- El programa fija SET DATEFORMAT dmy al conectarse: sus literales de fecha "dd/mm/yyyy" y
-- "dd/mm/yy hh:mm" se guardan en las columnas de fecha tal como se leen.

SET NOCOUNT ON;
GO

-- La colación de la base: las tablas que el guion crea no dependen de ella (llevan la suya),
-- pero las comparaciones de las tablas que ya estaban sí.
IF CAST(DATABASEPROPERTYEX(DB_NAME(), 'Collation') AS nvarchar(128)) LIKE N'%[_]CS[_]%'
    PRINT N'Aviso: la colación de la base (' + CAST(DATABASEPROPERTYEX(DB_NAME(), 'Collation') AS nvarchar(128)) +
          N') distingue mayúsculas. Las columnas que este guion crea usan Modern_Spanish_CI_AS.';
GO

-- Registros de garantía, uno por número de serie.
IF OBJECT_ID(N'dbo.AUX_GARANTIA', N'U') IS NULL
BEGIN
    CREATE TABLE dbo.AUX_GARANTIA (
        modelo          nvarchar(max) COLLATE Modern_Spanish_CI_AS NULL,
        serie           nvarchar(450) COLLATE Modern_Spanish_CI_AS NOT NULL,
        nroTransmision  int           NULL,
        eca1            nvarchar(max) COLLATE Modern_Spanish_CI_AS NULL,
        activacion      nvarchar(max) COLLATE Modern_Spanish_CI_AS NULL
    );
    -- Tabla nueva: una serie se guarda una sola vez.
    EXEC (N'CREATE UNIQUE INDEX AUX_GARANTIA_serie ON dbo.AUX_GARANTIA (serie)');
    PRINT N'AUX_GARANTIA creada, con índice único sobre serie.';
END
ELSE
BEGIN
    DECLARE @colacion nvarchar(128) =
        (SELECT collation_name FROM sys.columns WHERE object_id = OBJECT_ID(N'dbo.AUX_GARANTIA') AND name = N'serie');
    IF @colacion LIKE N'%[_]CS[_]%'
        RAISERROR (N'AUX_GARANTIA.serie distingue mayúsculas (colación %s): el programa guardaría "abc" y "ABC" como dos series. Cambie la colación de la columna a una que no las distinga (por ejemplo Modern_Spanish_CI_AS) y corra el guion otra vez.',
                   16, 1, @colacion);
    ELSE IF NOT EXISTS (SELECT * FROM sys.index_columns ic
                        JOIN sys.columns c ON c.object_id = ic.object_id AND c.column_id = ic.column_id
                        WHERE ic.object_id = OBJECT_ID(N'dbo.AUX_GARANTIA') AND ic.key_ordinal = 1 AND c.name = N'serie')
    BEGIN
        -- Tabla de la suite: un índice común, que no rechaza las series repetidas que ya tenga.
        EXEC (N'CREATE INDEX AUX_GARANTIA_serie ON dbo.AUX_GARANTIA (serie)');
        PRINT N'AUX_GARANTIA ya existía: se le agregó un índice común (no único) sobre serie.';
    END
END
GO
-- Las filas de una transmisión (pestaña "Consultar").
IF NOT EXISTS (SELECT * FROM sys.index_columns ic
               JOIN sys.columns c ON c.object_id = ic.object_id AND c.column_id = ic.column_id
               WHERE ic.object_id = OBJECT_ID(N'dbo.AUX_GARANTIA') AND ic.key_ordinal = 1 AND c.name = N'nroTransmision')
    CREATE INDEX AUX_GARANTIA_nroTransmision ON dbo.AUX_GARANTIA (nroTransmision);
GO

-- Una fila por transmisión (corrida de importación). Fecha es de tipo fecha: la lista de
-- transmisiones se ordena por FECHA DESC, HORA DESC en orden cronológico; Hora es "HH:MM".
IF OBJECT_ID(N'dbo.MV_TRANSMISIONES', N'U') IS NULL
BEGIN
    CREATE TABLE dbo.MV_TRANSMISIONES (
        TIPO               nvarchar(2) COLLATE Modern_Spanish_CI_AS NOT NULL CONSTRAINT DF_MV_TRANSMISIONES_TIPO DEFAULT N'S',
        Transmision        int          NOT NULL,
        Fecha              date         NULL,
        Hora               nvarchar(8) COLLATE Modern_Spanish_CI_AS NULL,
        Responsable_envio  nvarchar(50) COLLATE Modern_Spanish_CI_AS NULL,
        Anulado            int          NOT NULL CONSTRAINT DF_MV_TRANSMISIONES_Anulado DEFAULT 0
    );
    -- Tabla nueva: el índice único no puede chocar con datos viejos.
    EXEC (N'CREATE UNIQUE INDEX MV_TRANSMISIONES_Transmision ON dbo.MV_TRANSMISIONES (Transmision)');
END
GO
IF NOT EXISTS (SELECT * FROM sys.indexes WHERE name = N'MV_TRANSMISIONES_Fecha' AND object_id = OBJECT_ID(N'dbo.MV_TRANSMISIONES'))
    CREATE INDEX MV_TRANSMISIONES_Fecha ON dbo.MV_TRANSMISIONES (TIPO, Fecha, Hora);
GO

-- Usuarios de la suite, uno por usuario y sistema. Las claves, codificadas.
IF OBJECT_ID(N'dbo.TA_USUARIOS', N'U') IS NULL
BEGIN
    CREATE TABLE dbo.TA_USUARIOS (
        NOMBRE         nvarchar(50) COLLATE Modern_Spanish_CI_AS NOT NULL,
        SISTEMA        nvarchar(50) COLLATE Modern_Spanish_CI_AS NOT NULL,
        Password       nvarchar(100) COLLATE Modern_Spanish_CI_AS NULL,
        gUsuarioClave  nvarchar(100) COLLATE Modern_Spanish_CI_AS NULL
    );
    -- Tabla nueva: el índice único no puede chocar con datos viejos.
    EXEC (N'CREATE UNIQUE INDEX TA_USUARIOS_NOMBRE ON dbo.TA_USUARIOS (NOMBRE, SISTEMA)');
END
GO

-- Configuración: una fila por clave.
IF OBJECT_ID(N'dbo.TA_CONFIGURACION', N'U') IS NULL
BEGIN
    CREATE TABLE dbo.TA_CONFIGURACION (
        Grupo            nvarchar(50) COLLATE Modern_Spanish_CI_AS NULL,
        Clave            nvarchar(100) COLLATE Modern_Spanish_CI_AS NOT NULL,
        Valor            nvarchar(255) COLLATE Modern_Spanish_CI_AS NULL,
        PoliticaNegocio  int           NOT NULL CONSTRAINT DF_TA_CONFIGURACION_PoliticaNegocio DEFAULT 0,
        ValorAux         nvarchar(255) COLLATE Modern_Spanish_CI_AS NULL
    );
    -- Tabla nueva: el índice único no puede chocar con datos viejos.
    EXEC (N'CREATE UNIQUE INDEX TA_CONFIGURACION_Clave ON dbo.TA_CONFIGURACION (Clave)');
END
GO

-- Tareas (permisos) de cada usuario y entradas del menú de la suite.
IF OBJECT_ID(N'dbo.TA_TAREAS', N'U') IS NULL
CREATE TABLE dbo.TA_TAREAS (
    USUARIO  nvarchar(50) COLLATE Modern_Spanish_CI_AS NOT NULL,
    TAREA    nvarchar(100) COLLATE Modern_Spanish_CI_AS NOT NULL
);
GO
IF NOT EXISTS (SELECT * FROM sys.indexes WHERE name = N'TA_TAREAS_USUARIO' AND object_id = OBJECT_ID(N'dbo.TA_TAREAS'))
    CREATE INDEX TA_TAREAS_USUARIO ON dbo.TA_TAREAS (USUARIO);
GO

IF OBJECT_ID(N'dbo.TA_MENU', N'U') IS NULL
CREATE TABLE dbo.TA_MENU (
    Clave    nvarchar(100) COLLATE Modern_Spanish_CI_AS NOT NULL,
    Proceso  nvarchar(100) COLLATE Modern_Spanish_CI_AS NULL,
    Nombre   nvarchar(100) COLLATE Modern_Spanish_CI_AS NULL
);
GO
IF NOT EXISTS (SELECT * FROM sys.indexes WHERE name = N'TA_MENU_Clave' AND object_id = OBJECT_ID(N'dbo.TA_MENU'))
    CREATE INDEX TA_MENU_Clave ON dbo.TA_MENU (Clave);
GO

-- Una fila por cada inicio de un programa. Ingreso llega como "dd/mm/yy hh:mm".
IF OBJECT_ID(N'dbo.Control_Acceso', N'U') IS NULL
CREATE TABLE dbo.Control_Acceso (
    Maquina        nvarchar(100) COLLATE Modern_Spanish_CI_AS NULL,
    Usuario        nvarchar(50) COLLATE Modern_Spanish_CI_AS NULL,
    Formulario     nvarchar(100) COLLATE Modern_Spanish_CI_AS NULL,
    Tarea          nvarchar(100) COLLATE Modern_Spanish_CI_AS NULL,
    Ingreso        datetime2(0)  NULL,
    NombreUsuario  nvarchar(50) COLLATE Modern_Spanish_CI_AS NULL
);
GO

-- Registro de acciones sobre comprobantes. El programa escribe en la vista: una vista sobre una
-- sola tabla admite INSERT en SQL Server sin más.
IF OBJECT_ID(N'dbo.MV_CPTEACCIONES', N'U') IS NULL
CREATE TABLE dbo.MV_CPTEACCIONES (
    TC             nvarchar(4) COLLATE Modern_Spanish_CI_AS NULL,
    IdComprobante  nvarchar(50) COLLATE Modern_Spanish_CI_AS NULL,
    IdComplemento  int           NULL,
    Tipo_accion    nvarchar(2) COLLATE Modern_Spanish_CI_AS NULL,
    FECHAHORA      datetime2(0)  NULL,
    Usuario        nvarchar(50) COLLATE Modern_Spanish_CI_AS NULL,
    PC             nvarchar(100) COLLATE Modern_Spanish_CI_AS NULL,
    SYSTEMUSER     nvarchar(255) COLLATE Modern_Spanish_CI_AS NULL,
    Proceso        nvarchar(255) COLLATE Modern_Spanish_CI_AS NULL,
    ProcesoLote    nvarchar(50) COLLATE Modern_Spanish_CI_AS NULL,
    Cuenta         nvarchar(15) COLLATE Modern_Spanish_CI_AS NULL
);
GO
IF OBJECT_ID(N'dbo.V_MV_CPTEACCIONES', N'V') IS NULL
    EXEC (N'CREATE VIEW dbo.V_MV_CPTEACCIONES AS
        SELECT TC, IdComprobante, IdComplemento, Tipo_accion, FECHAHORA, Usuario, PC, SYSTEMUSER, Proceso,
               ProcesoLote, Cuenta
        FROM dbo.MV_CPTEACCIONES');
GO

-- Sentencias que fallaron, de todas las estaciones. fecha llega como "dd/mm/yy hh:mm".
IF OBJECT_ID(N'dbo.AUX_ERR', N'U') IS NULL
CREATE TABLE dbo.AUX_ERR (
    Id           int IDENTITY(1,1) NOT NULL CONSTRAINT PK_AUX_ERR PRIMARY KEY,
    Proceso      nvarchar(100) COLLATE Modern_Spanish_CI_AS NULL,
    fecha        datetime2(0)  NULL,
    Error        int           NULL,
    Descripcion  nvarchar(255) COLLATE Modern_Spanish_CI_AS NULL,
    SQL          nvarchar(max) COLLATE Modern_Spanish_CI_AS NULL,
    PC           nvarchar(100) COLLATE Modern_Spanish_CI_AS NULL,
    Usuario      nvarchar(50) COLLATE Modern_Spanish_CI_AS NULL
);
GO
