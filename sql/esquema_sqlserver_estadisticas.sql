-- Base de estadísticas en SQL Server ("QZ_ESTADISTICAS", en el mismo servidor que la base de la
-- suite): su propia tabla de configuración. Se corre sobre esa base con sqlcmd y -b, por ejemplo:
--   sqlcmd -b -S servidor -d QZ_ESTADISTICAS -U usuario -P clave -i sql/esquema_sqlserver_estadisticas.sql
-- Sólo crea lo que falta; una tabla que ya existe se deja como está (el índice único, sólo en la
-- tabla que crea). Correrlo otra vez no cambia nada.

SET NOCOUNT ON;
GO

IF OBJECT_ID(N'dbo.TA_CONFIGURACION', N'U') IS NULL
BEGIN
    CREATE TABLE dbo.TA_CONFIGURACION (
        Grupo            nvarchar(50)  COLLATE Modern_Spanish_CI_AS NULL,
        Clave            nvarchar(100) COLLATE Modern_Spanish_CI_AS NOT NULL,
        Valor            nvarchar(255) COLLATE Modern_Spanish_CI_AS NULL,
        PoliticaNegocio  int           NOT NULL CONSTRAINT DF_QZ_TA_CONFIGURACION_PoliticaNegocio DEFAULT 0,
        ValorAux         nvarchar(255) COLLATE Modern_Spanish_CI_AS NULL
    );
    EXEC (N'CREATE UNIQUE INDEX TA_CONFIGURACION_Clave ON dbo.TA_CONFIGURACION (Clave)');
END
GO
