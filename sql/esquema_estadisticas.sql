-- Base de estadísticas embebida ("QZ_ESTADISTICAS"): su propia tabla de configuración. Las
-- colaciones, como en esquema_suite.sql.
CREATE TABLE TA_CONFIGURACION (
    Grupo            TEXT COLLATE NOCASE,
    Clave            TEXT COLLATE NOCASE NOT NULL,
    Valor            TEXT,
    PoliticaNegocio  INTEGER NOT NULL DEFAULT 0,
    ValorAux         TEXT
);
