-- El lote de filas que el programa manda a SQL Server, para que un administrador lo pruebe en
-- una base DE PRUEBA (con las tablas de esquema_sqlserver.sql), nunca en la de la suite:
--   sqlcmd -b -S servidor -d PRUEBAS -U usuario -P clave -i sql/prueba_lote_sqlserver.sql
--
-- Es el mismo texto que arma el programa (EscrituraSqlServer::TextoLoteSqlServer), aquí con 4
-- filas en vez de 500; el controlador FreeTDS lo manda igual, con sus "?" como @P1, @P2... y la
-- misma declaración (bigint los números, nvarchar(4000) los textos).
-- Primera vuelta: agrega las filas 1, 2 y 4 (la 3 repite la serie de la 1 con otras
-- mayúsculas); segunda vuelta: no agrega ninguna. Después de cada vuelta la sesión sigue contando
-- filas (NOCOUNT como estaba) y sin transacciones abiertas. Al final borra lo que agregó.
--
-- Salida esperada (sqlcmd), en este orden:
--   Primera vuelta: se esperan las filas 1, 2 y 4.
--   n: 1, 2, 4
--   Después: NOCOUNT como antes, 0 transacciones abiertas.
--   Segunda vuelta: no se espera ninguna.
--   n: (ninguna fila)
--   Después: NOCOUNT como antes, 0 transacciones abiertas.
--   modelo/serie/nroTransmision/eca1: Modelo prueba S-PRUEBA-1 999999 E1, Modelo prueba S-PRUEBA-2
--   999999 E2, Modelo prueba S-PRUEBA-3 999999 E4
-- Cualquier otra cosa (un número negativo en n, "NOCOUNT cambió", transacciones abiertas) es una
-- falla: no use el programa contra ese servidor sin averiguarla.

SET NOCOUNT ON;
SET NOCOUNT OFF;
DECLARE @lote nvarchar(max) = N'DECLARE @contaba bit = CASE WHEN @@OPTIONS & 512 = 0 THEN 1 ELSE 0 END;
SET NOCOUNT ON;
DECLARE @t int, @total int, @n int, @propia bit, @m nvarchar(max), @s nvarchar(max), @e nvarchar(max), @a nvarchar(max);
DECLARE @f TABLE (n int NOT NULL PRIMARY KEY, modelo nvarchar(max) NULL, serie nvarchar(max) NULL,
    eca1 nvarchar(max) NULL, activacion nvarchar(max) NULL, agregada bit NOT NULL DEFAULT 0);
SELECT @t = @P1, @total = @P2;
INSERT INTO @f (n,modelo,serie,eca1,activacion) VALUES
(1,@P3,@P4,@P5,@P6),
(2,@P7,@P8,@P9,@P10),
(3,@P11,@P12,@P13,@P14),
(4,@P15,@P16,@P17,@P18);
SET @propia = CASE WHEN @@TRANCOUNT = 0 THEN 1 ELSE 0 END;
IF @propia = 1 BEGIN TRANSACTION; ELSE SAVE TRANSACTION garantias_lote;
BEGIN TRY
    SET @n = 1;
    WHILE @n <= @total
    BEGIN
        SELECT @m = modelo, @s = serie, @e = eca1, @a = activacion FROM @f WHERE n = @n;
        INSERT INTO AUX_GARANTIA (modelo,serie,nroTransmision,eca1,activacion)
            SELECT @m, @s, @t, @e, @a
            WHERE NOT EXISTS (SELECT * FROM AUX_GARANTIA WITH (UPDLOCK, HOLDLOCK) WHERE serie = @s);
        IF @@ROWCOUNT > 0 UPDATE @f SET agregada = 1 WHERE n = @n;
        SET @n = @n + 1;
    END;
    IF @propia = 1 COMMIT TRANSACTION;
    SELECT n FROM @f WHERE agregada = 1 ORDER BY n;
END TRY
BEGIN CATCH
    IF XACT_STATE() = -1 OR (XACT_STATE() = 1 AND @propia = 1) ROLLBACK TRANSACTION;
    ELSE IF XACT_STATE() = 1 ROLLBACK TRANSACTION garantias_lote;
    SELECT -ERROR_NUMBER() AS n;
END CATCH;
IF @contaba = 1 SET NOCOUNT OFF;';
DECLARE @antes int = @@OPTIONS & 512;

-- Cada vuelta devuelve lo que el programa lee: los números de las filas agregadas (un número
-- negativo es un error que el lote atrapó y deshizo entero).
PRINT N'Primera vuelta: se esperan las filas 1, 2 y 4.';
EXEC sp_executesql @lote, N'@P1 bigint, @P2 bigint, @P3 nvarchar(4000), @P4 nvarchar(4000), @P5 nvarchar(4000), @P6 nvarchar(4000), @P7 nvarchar(4000), @P8 nvarchar(4000), @P9 nvarchar(4000), @P10 nvarchar(4000), @P11 nvarchar(4000), @P12 nvarchar(4000), @P13 nvarchar(4000), @P14 nvarchar(4000), @P15 nvarchar(4000), @P16 nvarchar(4000), @P17 nvarchar(4000), @P18 nvarchar(4000)',
    999999, 4,
    N'Modelo prueba', N'S-PRUEBA-1', N'E1', N'01/01/2026',
    N'Modelo prueba', N'S-PRUEBA-2', N'E2', N'01/01/2026',
    N'Modelo prueba', N's-prueba-1', N'E3', N'01/01/2026',
    N'Modelo prueba', N'S-PRUEBA-3', N'E4', N'01/01/2026';
PRINT N'Después: ' + CASE WHEN @@OPTIONS & 512 = @antes THEN N'NOCOUNT como antes' ELSE N'NOCOUNT cambió' END +
      N', ' + CAST(@@TRANCOUNT AS nvarchar(10)) + N' transacciones abiertas.';
PRINT N'Segunda vuelta: no se espera ninguna.';
EXEC sp_executesql @lote, N'@P1 bigint, @P2 bigint, @P3 nvarchar(4000), @P4 nvarchar(4000), @P5 nvarchar(4000), @P6 nvarchar(4000), @P7 nvarchar(4000), @P8 nvarchar(4000), @P9 nvarchar(4000), @P10 nvarchar(4000), @P11 nvarchar(4000), @P12 nvarchar(4000), @P13 nvarchar(4000), @P14 nvarchar(4000), @P15 nvarchar(4000), @P16 nvarchar(4000), @P17 nvarchar(4000), @P18 nvarchar(4000)',
    999999, 4,
    N'Modelo prueba', N'S-PRUEBA-1', N'E1', N'01/01/2026',
    N'Modelo prueba', N'S-PRUEBA-2', N'E2', N'01/01/2026',
    N'Modelo prueba', N's-prueba-1', N'E3', N'01/01/2026',
    N'Modelo prueba', N'S-PRUEBA-3', N'E4', N'01/01/2026';
PRINT N'Después: ' + CASE WHEN @@OPTIONS & 512 = @antes THEN N'NOCOUNT como antes' ELSE N'NOCOUNT cambió' END +
      N', ' + CAST(@@TRANCOUNT AS nvarchar(10)) + N' transacciones abiertas.';

SELECT modelo, serie, nroTransmision, eca1 FROM AUX_GARANTIA WHERE nroTransmision = 999999 ORDER BY serie;

DELETE FROM AUX_GARANTIA WHERE nroTransmision = 999999 AND serie LIKE N'S-PRUEBA-%';
