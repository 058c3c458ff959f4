-- Base de estadísticas en SQL Server ("QZ_ESTADISTICAS", en el mismo servidor que la base de la
-- suite): su propia tabla de configuración. Se corre sobre esa base, por ejemplo:
--   sqlcmd -S servidor -d QZ_ESTADISTICAS -U usuario -P clave -i sql/esquema_sqlserver_estadisticas.sql
-- Se puede correr otra vez: sólo crea lo que falta.

SET NOCOUNT ON;
GO

IF OBJECT_ID(N'dbo.TA_CONFIGURACION', N'U') IS NULL
CREATE TABLE dbo.TA_CONFIGURACION (
    Grupo            nvarchar(50)  NULL,
    Clave            nvarchar(100) NOT NULL,
    Valor            nvarchar(255) NULL,
    PoliticaNegocio  int           NOT NULL CONSTRAINT DF_QZ_TA_CONFIGURACION_PoliticaNegocio DEFAULT 0,
    ValorAux         nvarchar(255) NULL
);
GO
IF NOT EXISTS (SELECT * FROM sys.indexes WHERE name = N'TA_CONFIGURACION_Clave' AND object_id = OBJECT_ID(N'dbo.TA_CONFIGURACION'))
    CREATE UNIQUE INDEX TA_CONFIGURACION_Clave ON dbo.TA_CONFIGURACION (Clave);
GO
