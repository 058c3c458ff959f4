-- Base de estadísticas embebida ("QZ_ESTADISTICAS"): su propia tabla de configuración.
CREATE TABLE TA_CONFIGURACION (
    Grupo            TEXT COLLATE ESPANOL_CI,
    Clave            TEXT COLLATE ESPANOL_CI NOT NULL,
    Valor            TEXT,
    PoliticaNegocio  INTEGER NOT NULL DEFAULT 0,
    ValorAux         TEXT
);
CREATE INDEX TA_CONFIGURACION_Clave ON TA_CONFIGURACION (Clave);
