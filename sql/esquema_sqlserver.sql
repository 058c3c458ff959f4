-- Base de la suite en SQL Server (2008 en adelante): las tablas y la vista que el programa lee o
-- escribe. Se corre con sqlcmd y -b (se detiene en el primer error), por ejemplo:
--   sqlcmd -b -S servidor -d VENTAS -U usuario -P clave -i sql/esquema_sqlserver.sql
--
-- Sobre una base viva de la suite sólo agrega lo que el programa necesita y no cambia lo que ya
-- estaba:
--  - Antes de tocar nada se detiene (un error, y SET NOEXEC ON para que tampoco siga sin -b) si
--    la base distingue mayúsculas (colación _CS o binaria _BIN/_BIN2): el programa nombra
--    columnas como MAX(TRANSMISION), NroTransmision o FECHA, que allí fallan con 207. También si
--    AUX_GARANTIA.serie ya existe con una colación que distingue mayúsculas (_CS, _BIN, _BIN2) o
--    que no distingue acentos (_AI: "SERé1" y "SERe1" serían la misma serie, a diferencia de la
--    base embebida). Y si AUX_GARANTIA.serie es varchar o char con una colación de SQL Server
--    (SQL_...): el programa pregunta por la serie con parámetros nvarchar, y con esas colaciones
--    la conversión de la columna impide buscar por su índice (cada búsqueda recorrería la tabla
--    entera bajo UPDLOCK, HOLDLOCK). Se pide cambiar la columna en vez de cambiar el tipo de los
--    parámetros del programa: con varchar, una serie con un carácter fuera de la página de códigos
--    de la columna se guardaría cambiada sin aviso.
--  - En tablas que ya existen agrega sólo dos índices comunes (no únicos), si falta uno que sirva
--    (habilitado, sin filtro, no hipotético, con esa columna como primera clave): sobre
--    AUX_GARANTIA.serie (sin él cada importación recorre y bloquea la tabla entera) y sobre
--    MV_TRANSMISIONES.Transmision (el número se toma con MAX bajo bloqueo). Antes mira el tipo de
--    la columna: uno que no admite índice (max, text) o más ancho que una clave de índice se
--    omite, y lo dice. Sobre MV_TRANSMISIONES.Transmision el índice es único si no hay números
--    repetidos. Si la tabla ya tiene un índice con el nombre que el guion usaría (uno que no sirve:
--    deshabilitado, filtrado o sobre otra columna), no lo toca y lo dice.
--  - Índices, claves y demás sólo en las tablas que el guion crea.
--  - Al final dice qué omitió y por qué; no falla a mitad de camino.
--  - Las columnas de texto que crea llevan COLLATE Modern_Spanish_CI_AS: "abc" y "ABC" son la
--    misma serie. Los anchos aceptan lo que acepta la base embebida: modelo, eca1 y activación
--    sin límite (nvarchar(max)); la serie hasta 450 caracteres, el largo de una clave de índice.
-- Correrlo otra vez no cambia nada.
--
-- El programa fija SET DATEFORMAT dmy y SET NOCOUNT OFF al conectarse: sus literales de fecha
-- "dd/mm/yyyy" y "dd/mm/yy hh:mm" se guardan en las columnas de fecha tal como se leen.

SET NOCOUNT ON;
GO

-- Lo que la base y la columna de la serie tienen que cumplir, antes de cambiar nada.
DECLARE @base nvarchar(128) = CAST(DATABASEPROPERTYEX(DB_NAME(), 'Collation') AS nvarchar(128));
DECLARE @serie nvarchar(128), @tipoSerie sysname;
SELECT @serie = collation_name, @tipoSerie = TYPE_NAME(system_type_id)
FROM sys.columns WHERE object_id = OBJECT_ID(N'dbo.AUX_GARANTIA') AND name = N'serie';
IF N'_' + @base + N'_' LIKE N'%[_]CS[_]%' OR @base LIKE N'%[_]BIN%'
BEGIN
    RAISERROR (N'La base distingue mayúsculas (colación %s): el programa escribe los nombres de columnas y tablas sin respetar mayúsculas (MAX(TRANSMISION), NroTransmision, FECHA) y fallaría con el error 207. Use una base con una colación que no las distinga (por ejemplo Modern_Spanish_CI_AS). No se cambió nada.',
               16, 1, @base);
    SET NOEXEC ON;
END
ELSE IF N'_' + @serie + N'_' LIKE N'%[_]CS[_]%' OR @serie LIKE N'%[_]BIN%' OR N'_' + @serie + N'_' LIKE N'%[_]AI[_]%'
BEGIN
    RAISERROR (N'AUX_GARANTIA.serie compara las series con la colación %s, que distingue mayúsculas (_CS, _BIN) o no distingue acentos (_AI): el programa guardaría "abc" y "ABC" como dos series, o "SERé1" y "SERe1" como una. Cambie la colación de la columna a una que no distinga mayúsculas y sí acentos (por ejemplo Modern_Spanish_CI_AS) y corra el guion otra vez. No se cambió nada.',
               16, 1, @serie);
    SET NOEXEC ON;
END
ELSE IF @tipoSerie IN (N'varchar', N'char') AND @serie LIKE N'SQL[_]%'
BEGIN
    RAISERROR (N'AUX_GARANTIA.serie es %s con la colación %s: el programa busca la serie con parámetros nvarchar y, con una colación SQL_, esa conversión impide usar el índice de la columna (cada importación recorrería y bloquearía la tabla entera). Cambie la columna a nvarchar(450) COLLATE Modern_Spanish_CI_AS (ALTER TABLE dbo.AUX_GARANTIA ALTER COLUMN serie nvarchar(450) COLLATE Modern_Spanish_CI_AS NOT NULL, quitando antes sus índices) y corra el guion otra vez. No se cambió nada.',
               16, 1, @tipoSerie, @serie);
    SET NOEXEC ON;
END
GO

-- Lo que el guion omite, para decirlo al final.
IF OBJECT_ID(N'tempdb..#omitido') IS NULL CREATE TABLE #omitido (que nvarchar(1000) NOT NULL);
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
    -- Tabla nueva: una serie se guarda una sola vez; las filas de una transmisión, por su número.
    EXEC (N'CREATE UNIQUE INDEX AUX_GARANTIA_serie ON dbo.AUX_GARANTIA (serie)');
    EXEC (N'CREATE INDEX AUX_GARANTIA_nroTransmision ON dbo.AUX_GARANTIA (nroTransmision)');
    PRINT N'AUX_GARANTIA creada, con índice único sobre serie.';
END
ELSE IF NOT EXISTS (SELECT * FROM sys.indexes i
                    JOIN sys.index_columns ic ON ic.object_id = i.object_id AND ic.index_id = i.index_id
                    JOIN sys.columns c ON c.object_id = ic.object_id AND c.column_id = ic.column_id
                    WHERE i.object_id = OBJECT_ID(N'dbo.AUX_GARANTIA') AND i.index_id > 0 AND i.is_disabled = 0
                      AND i.has_filter = 0 AND i.is_hypothetical = 0 AND ic.key_ordinal = 1 AND c.name = N'serie')
BEGIN
    -- Tabla de la suite: un índice común, que no rechaza las series repetidas que ya tenga, si
    -- el tipo de la columna lo admite.
    DECLARE @tipo sysname, @largo int;
    SELECT @tipo = t.name, @largo = c.max_length FROM sys.columns c JOIN sys.types t ON t.user_type_id = c.user_type_id
    WHERE c.object_id = OBJECT_ID(N'dbo.AUX_GARANTIA') AND c.name = N'serie';
    IF EXISTS (SELECT * FROM sys.indexes WHERE object_id = OBJECT_ID(N'dbo.AUX_GARANTIA') AND name = N'AUX_GARANTIA_serie')
        INSERT INTO #omitido VALUES (N'El índice sobre AUX_GARANTIA.serie: la tabla ya tiene un índice llamado AUX_GARANTIA_serie que no sirve para buscar la serie (deshabilitado, filtrado, hipotético o sobre otra columna). Reconstrúyalo (ALTER INDEX AUX_GARANTIA_serie ON dbo.AUX_GARANTIA REBUILD) o bórrelo y corra el guion otra vez.');
    ELSE IF @tipo IN (N'text', N'ntext', N'image', N'xml') OR @largo = -1 OR @largo > 900
        INSERT INTO #omitido VALUES (N'El índice sobre AUX_GARANTIA.serie: la columna es ' + @tipo +
            CASE WHEN @largo = -1 THEN N'(max)' WHEN @tipo IN (N'text', N'ntext') THEN N'' ELSE N'(' + CAST(@largo AS nvarchar(10)) + N' bytes)' END +
            N', que no admite un índice (o pasa de 900 bytes). Cada importación recorrerá la tabla entera; conviene cambiarla a nvarchar(450).');
    ELSE
    BEGIN
        EXEC (N'CREATE INDEX AUX_GARANTIA_serie ON dbo.AUX_GARANTIA (serie)');
        PRINT N'AUX_GARANTIA ya existía: se le agregó un índice común (no único) sobre serie.';
    END
END
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
    EXEC (N'CREATE INDEX MV_TRANSMISIONES_Fecha ON dbo.MV_TRANSMISIONES (TIPO, Fecha, Hora)');
END
ELSE IF NOT EXISTS (SELECT * FROM sys.indexes i
                    JOIN sys.index_columns ic ON ic.object_id = i.object_id AND ic.index_id = i.index_id
                    JOIN sys.columns c ON c.object_id = ic.object_id AND c.column_id = ic.column_id
                    WHERE i.object_id = OBJECT_ID(N'dbo.MV_TRANSMISIONES') AND i.index_id > 0 AND i.is_disabled = 0
                      AND i.has_filter = 0 AND i.is_hypothetical = 0 AND ic.key_ordinal = 1 AND c.name = N'Transmision')
BEGIN
    DECLARE @tipoT sysname, @largoT int;
    SELECT @tipoT = t.name, @largoT = c.max_length FROM sys.columns c JOIN sys.types t ON t.user_type_id = c.user_type_id
    WHERE c.object_id = OBJECT_ID(N'dbo.MV_TRANSMISIONES') AND c.name = N'Transmision';
    IF EXISTS (SELECT * FROM sys.indexes WHERE object_id = OBJECT_ID(N'dbo.MV_TRANSMISIONES') AND name = N'MV_TRANSMISIONES_Transmision')
        INSERT INTO #omitido VALUES (N'El índice sobre MV_TRANSMISIONES.Transmision: la tabla ya tiene un índice llamado MV_TRANSMISIONES_Transmision que no sirve para tomar el número (deshabilitado, filtrado, hipotético o sobre otra columna). Reconstrúyalo (ALTER INDEX MV_TRANSMISIONES_Transmision ON dbo.MV_TRANSMISIONES REBUILD) o bórrelo y corra el guion otra vez.');
    ELSE IF @tipoT IS NULL OR @tipoT IN (N'text', N'ntext', N'image', N'xml') OR @largoT = -1 OR @largoT > 900
        INSERT INTO #omitido VALUES (N'El índice sobre MV_TRANSMISIONES.Transmision: la columna falta o es de un tipo que no admite un índice ('
            + ISNULL(@tipoT, N'no existe') + N').');
    ELSE IF EXISTS (SELECT Transmision FROM dbo.MV_TRANSMISIONES GROUP BY Transmision HAVING COUNT(*) > 1)
    BEGIN
        EXEC (N'CREATE INDEX MV_TRANSMISIONES_Transmision ON dbo.MV_TRANSMISIONES (Transmision)');
        INSERT INTO #omitido VALUES (N'La unicidad de MV_TRANSMISIONES.Transmision: la tabla ya tiene números repetidos; se agregó un índice común. Dos estaciones no toman el mismo número (el programa lo toma bajo bloqueo), pero otros programas de la suite sí podrían.');
    END
    ELSE
    BEGIN
        EXEC (N'CREATE UNIQUE INDEX MV_TRANSMISIONES_Transmision ON dbo.MV_TRANSMISIONES (Transmision)');
        PRINT N'MV_TRANSMISIONES ya existía: se le agregó un índice único sobre Transmision.';
    END
END
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
BEGIN
    CREATE TABLE dbo.TA_TAREAS (
        USUARIO  nvarchar(50) COLLATE Modern_Spanish_CI_AS NOT NULL,
        TAREA    nvarchar(100) COLLATE Modern_Spanish_CI_AS NOT NULL
    );
    EXEC (N'CREATE INDEX TA_TAREAS_USUARIO ON dbo.TA_TAREAS (USUARIO)');
END
GO

IF OBJECT_ID(N'dbo.TA_MENU', N'U') IS NULL
BEGIN
    CREATE TABLE dbo.TA_MENU (
        Clave    nvarchar(100) COLLATE Modern_Spanish_CI_AS NOT NULL,
        Proceso  nvarchar(100) COLLATE Modern_Spanish_CI_AS NULL,
        Nombre   nvarchar(100) COLLATE Modern_Spanish_CI_AS NULL
    );
    EXEC (N'CREATE INDEX TA_MENU_Clave ON dbo.TA_MENU (Clave)');
END
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

-- Lo que se omitió, y por qué.
IF EXISTS (SELECT * FROM #omitido)
BEGIN
    DECLARE @que nvarchar(1000);
    DECLARE omitidos CURSOR LOCAL FAST_FORWARD FOR SELECT que FROM #omitido;
    OPEN omitidos;
    FETCH NEXT FROM omitidos INTO @que;
    WHILE @@FETCH_STATUS = 0
    BEGIN
        PRINT N'Omitido: ' + @que;
        FETCH NEXT FROM omitidos INTO @que;
    END
    CLOSE omitidos;
END
ELSE
    PRINT N'Nada omitido.';
DROP TABLE #omitido;
GO
SET NOEXEC OFF;
GO
