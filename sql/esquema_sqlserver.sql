-- Base de la suite en SQL Server (2008 en adelante): las tablas y la vista que el programa lee o
-- escribe. Se corre sobre una base vacía con sqlcmd, por ejemplo:
--   sqlcmd -S servidor -d VENTAS -U usuario -P clave -i sql/esquema_sqlserver.sql
-- Se puede correr otra vez: sólo crea lo que falta.
--
-- El programa fija SET DATEFORMAT dmy al conectarse: sus literales de fecha "dd/mm/yyyy" y
-- "dd/mm/yy hh:mm" se guardan en las columnas de fecha tal como se leen. Las comparaciones de
-- texto siguen la colación de la base (conviene una que no distinga mayúsculas, como
-- Modern_Spanish_CI_AS, la que el programa espera).

SET NOCOUNT ON;
GO

-- Registros de garantía, uno por número de serie.
IF OBJECT_ID(N'dbo.AUX_GARANTIA', N'U') IS NULL
CREATE TABLE dbo.AUX_GARANTIA (
    modelo          nvarchar(100) NULL,
    serie           nvarchar(100) NOT NULL,
    nroTransmision  int           NULL,
    eca1            nvarchar(100) NULL,
    activacion      nvarchar(100) NULL
);
GO
-- Una serie se guarda una sola vez.
IF NOT EXISTS (SELECT * FROM sys.indexes WHERE name = N'AUX_GARANTIA_serie' AND object_id = OBJECT_ID(N'dbo.AUX_GARANTIA'))
    CREATE UNIQUE INDEX AUX_GARANTIA_serie ON dbo.AUX_GARANTIA (serie);
-- Las filas de una transmisión (pestaña "Consultar").
IF NOT EXISTS (SELECT * FROM sys.indexes WHERE name = N'AUX_GARANTIA_nroTransmision' AND object_id = OBJECT_ID(N'dbo.AUX_GARANTIA'))
    CREATE INDEX AUX_GARANTIA_nroTransmision ON dbo.AUX_GARANTIA (nroTransmision);
GO

-- Una fila por transmisión (corrida de importación). Fecha es de tipo fecha: la lista de
-- transmisiones se ordena por FECHA DESC, HORA DESC en orden cronológico; Hora es "HH:MM".
IF OBJECT_ID(N'dbo.MV_TRANSMISIONES', N'U') IS NULL
CREATE TABLE dbo.MV_TRANSMISIONES (
    TIPO               nvarchar(2)  NOT NULL CONSTRAINT DF_MV_TRANSMISIONES_TIPO DEFAULT N'S',
    Transmision        int          NOT NULL,
    Fecha              date         NULL,
    Hora               nvarchar(8)  NULL,
    Responsable_envio  nvarchar(50) NULL,
    Anulado            int          NOT NULL CONSTRAINT DF_MV_TRANSMISIONES_Anulado DEFAULT 0
);
GO
IF NOT EXISTS (SELECT * FROM sys.indexes WHERE name = N'MV_TRANSMISIONES_Transmision' AND object_id = OBJECT_ID(N'dbo.MV_TRANSMISIONES'))
    CREATE UNIQUE INDEX MV_TRANSMISIONES_Transmision ON dbo.MV_TRANSMISIONES (Transmision);
IF NOT EXISTS (SELECT * FROM sys.indexes WHERE name = N'MV_TRANSMISIONES_Fecha' AND object_id = OBJECT_ID(N'dbo.MV_TRANSMISIONES'))
    CREATE INDEX MV_TRANSMISIONES_Fecha ON dbo.MV_TRANSMISIONES (TIPO, Fecha, Hora);
GO

-- Usuarios de la suite, uno por usuario y sistema. Las claves, codificadas.
IF OBJECT_ID(N'dbo.TA_USUARIOS', N'U') IS NULL
CREATE TABLE dbo.TA_USUARIOS (
    NOMBRE         nvarchar(50)  NOT NULL,
    SISTEMA        nvarchar(50)  NOT NULL,
    Password       nvarchar(100) NULL,
    gUsuarioClave  nvarchar(100) NULL
);
GO
IF NOT EXISTS (SELECT * FROM sys.indexes WHERE name = N'TA_USUARIOS_NOMBRE' AND object_id = OBJECT_ID(N'dbo.TA_USUARIOS'))
    CREATE UNIQUE INDEX TA_USUARIOS_NOMBRE ON dbo.TA_USUARIOS (NOMBRE, SISTEMA);
GO

-- Configuración: una fila por clave.
IF OBJECT_ID(N'dbo.TA_CONFIGURACION', N'U') IS NULL
CREATE TABLE dbo.TA_CONFIGURACION (
    Grupo            nvarchar(50)  NULL,
    Clave            nvarchar(100) NOT NULL,
    Valor            nvarchar(255) NULL,
    PoliticaNegocio  int           NOT NULL CONSTRAINT DF_TA_CONFIGURACION_PoliticaNegocio DEFAULT 0,
    ValorAux         nvarchar(255) NULL
);
GO
IF NOT EXISTS (SELECT * FROM sys.indexes WHERE name = N'TA_CONFIGURACION_Clave' AND object_id = OBJECT_ID(N'dbo.TA_CONFIGURACION'))
    CREATE UNIQUE INDEX TA_CONFIGURACION_Clave ON dbo.TA_CONFIGURACION (Clave);
GO

-- Tareas (permisos) de cada usuario y entradas del menú de la suite.
IF OBJECT_ID(N'dbo.TA_TAREAS', N'U') IS NULL
CREATE TABLE dbo.TA_TAREAS (
    USUARIO  nvarchar(50)  NOT NULL,
    TAREA    nvarchar(100) NOT NULL
);
GO
IF NOT EXISTS (SELECT * FROM sys.indexes WHERE name = N'TA_TAREAS_USUARIO' AND object_id = OBJECT_ID(N'dbo.TA_TAREAS'))
    CREATE INDEX TA_TAREAS_USUARIO ON dbo.TA_TAREAS (USUARIO);
GO

IF OBJECT_ID(N'dbo.TA_MENU', N'U') IS NULL
CREATE TABLE dbo.TA_MENU (
    Clave    nvarchar(100) NOT NULL,
    Proceso  nvarchar(100) NULL,
    Nombre   nvarchar(100) NULL
);
GO
IF NOT EXISTS (SELECT * FROM sys.indexes WHERE name = N'TA_MENU_Clave' AND object_id = OBJECT_ID(N'dbo.TA_MENU'))
    CREATE INDEX TA_MENU_Clave ON dbo.TA_MENU (Clave);
GO

-- Una fila por cada inicio de un programa. Ingreso llega como "dd/mm/yy hh:mm".
IF OBJECT_ID(N'dbo.Control_Acceso', N'U') IS NULL
CREATE TABLE dbo.Control_Acceso (
    Maquina        nvarchar(100) NULL,
    Usuario        nvarchar(50)  NULL,
    Formulario     nvarchar(100) NULL,
    Tarea          nvarchar(100) NULL,
    Ingreso        datetime2(0)  NULL,
    NombreUsuario  nvarchar(50)  NULL
);
GO

-- Registro de acciones sobre comprobantes. El programa escribe en la vista: una vista sobre una
-- sola tabla admite INSERT en SQL Server sin más.
IF OBJECT_ID(N'dbo.MV_CPTEACCIONES', N'U') IS NULL
CREATE TABLE dbo.MV_CPTEACCIONES (
    TC             nvarchar(4)   NULL,
    IdComprobante  nvarchar(50)  NULL,
    IdComplemento  int           NULL,
    Tipo_accion    nvarchar(2)   NULL,
    FECHAHORA      datetime2(0)  NULL,
    Usuario        nvarchar(50)  NULL,
    PC             nvarchar(100) NULL,
    SYSTEMUSER     nvarchar(255) NULL,
    Proceso        nvarchar(255) NULL,
    ProcesoLote    nvarchar(50)  NULL,
    Cuenta         nvarchar(15)  NULL
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
    Proceso      nvarchar(100) NULL,
    fecha        datetime2(0)  NULL,
    Error        int           NULL,
    Descripcion  nvarchar(255) NULL,
    SQL          nvarchar(max) NULL,
    PC           nvarchar(100) NULL,
    Usuario      nvarchar(50)  NULL
);
GO
