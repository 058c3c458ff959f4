-- El diario de las importaciones de garantias en SQL Server: una fila por corrida (qué archivo
-- hizo cada transmisión, lo que contó y cómo terminó). Es una tabla del programa, no de la suite;
-- la crea el administrador de la base con este guion, una vez, en la base de la suite:
--
--   sqlcmd -S SERVIDOR -d BASE -i sql/diario_corridas_sqlserver.sql
--
-- Sin ella el programa importa como siempre (lo dice una vez por inicio), pero no avisa antes de
-- importar otra vez el mismo archivo, `garantias-cli historial` no tiene qué listar y ninguna
-- transmisión se puede anular. Correrlo de nuevo no cambia nada.
IF OBJECT_ID(N'dbo.GARANTIAS_CORRIDAS', N'U') IS NULL
BEGIN
    CREATE TABLE dbo.GARANTIAS_CORRIDAS (
        Corrida      VARCHAR(40)    NOT NULL PRIMARY KEY,
        Transmision  INT            NULL,
        Archivo      NVARCHAR(260)  NULL,
        Ruta         NVARCHAR(1024) NULL,
        Tamano       BIGINT         NULL,
        Modificado   VARCHAR(19)    NULL,
        Sha256       VARCHAR(64)    NULL,
        Tabla        NVARCHAR(260)  NULL,
        Clase        NVARCHAR(40)   NULL,
        Leidas       BIGINT         NOT NULL DEFAULT 0,
        Agregadas    BIGINT         NOT NULL DEFAULT 0,
        YaGuardadas  BIGINT         NOT NULL DEFAULT 0,
        SinSerie     BIGINT         NOT NULL DEFAULT 0,
        Fallidas     BIGINT         NOT NULL DEFAULT 0,
        Inicio       VARCHAR(19)    NULL,
        Fin          VARCHAR(19)    NULL,
        Resultado    VARCHAR(20)    NOT NULL,
        Estacion     NVARCHAR(128)  NULL,
        Usuario      NVARCHAR(128)  NULL,
        Proceso      BIGINT         NULL,
        Anulada      VARCHAR(19)    NULL,
        AnuladaPor   NVARCHAR(128)  NULL
    );
    CREATE INDEX GARANTIAS_CORRIDAS_Transmision ON dbo.GARANTIAS_CORRIDAS (Transmision);
    CREATE INDEX GARANTIAS_CORRIDAS_Sha256 ON dbo.GARANTIAS_CORRIDAS (Sha256);
END
GO
