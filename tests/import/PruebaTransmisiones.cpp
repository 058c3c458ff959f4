#include "import/VentanaDePrueba.h"

namespace {
class Transmisiones : public VentanaDePrueba {
  protected:
    void transmision(int n, const char* fecha, const char* hora, const char* usuario = "op") {
        sql(QString("INSERT INTO MV_TRANSMISIONES (TIPO,Transmision,Fecha,Hora,Responsable_envio,Anulado) "
                    "VALUES ('S',%1,'%2','%3','%4',0)")
                .arg(n)
                .arg(fecha, hora, usuario));
    }
    void garantia(int n, const char* serie) {
        sql(QString("INSERT INTO AUX_GARANTIA (modelo,serie,nroTransmision,eca1,activacion) VALUES "
                    "('M-%1','%2',%1,'E-%1','A')")
                .arg(n)
                .arg(serie));
    }
    void clic(int fila) {
        modelo_->MSFlexGrid1.Row = fila;
        ventana_->MSFlexGrid1_Click();
    }
};
}  // namespace

TEST_F(Transmisiones, SinTransmisionesQuedanLosTitulos) {
    ventana_->SSTab1_Click(1);
    EXPECT_EQ(grilla(modelo_->MSFlexGrid1), (QStringList{"|Nro|Usuario|Fecha", "|||"}));
    const int anchos[] = {10, 500, 1500, 1500};
    for (int c = 0; c < 4; ++c) EXPECT_EQ(modelo_->MSFlexGrid1.ColWidth(c), anchos[c]);
    EXPECT_EQ(modelo_->lblEstadoTransmisiones(), "...");
}

TEST_F(Transmisiones, LaMasNuevaPrimeroPorFechaYHora) {
    transmision(1, "31/12/2025", "23:59");
    transmision(2, "02/01/2026", "08:00");
    transmision(3, "02/01/2026", "17:30", "d''Artagnan");
    transmision(4, "15/11/2025", "10:00");
    sql("INSERT INTO MV_TRANSMISIONES (TIPO,Transmision,Fecha,Hora,Responsable_envio,Anulado) VALUES "
        "('R',9,'01/01/2030','00:00','otro',0)");
    ventana_->SSTab1_Click(1);
    EXPECT_EQ(grilla(modelo_->MSFlexGrid1),
              (QStringList{"|Nro|Usuario|Fecha", "|3|d'Artagnan|02/01/2026 17:30", "|2|op|02/01/2026 08:00",
                           "|1|op|31/12/2025 23:59", "|4|op|15/11/2025 10:00", "|||"}));
    // Volver a la pestaña la vuelve a leer; la pestaña 0 no lee nada.
    transmision(5, "03/01/2026", "09:00");
    ventana_->SSTab1_Click(0);
    EXPECT_EQ(modelo_->MSFlexGrid1.Rows(), 6);
    ventana_->SSTab1_Click(1);
    EXPECT_EQ(modelo_->MSFlexGrid1.TextMatrix(1, 1), "5");
}

TEST_F(Transmisiones, ClicMuestraLasFilasDeLaTransmision) {
    transmision(40000, "01/01/2026", "10:00");
    transmision(2, "01/01/2025", "10:00");
    garantia(40000, "A1");
    garantia(40000, "A2");
    garantia(7, "OTRA");
    ventana_->SSTab1_Click(1);
    clic(1);
    EXPECT_EQ(grilla(modelo_->MSFlexGrid3),
              (QStringList{"|Modelo|Serie|ECA1", "|M-40000|A1|E-40000", "|M-40000|A2|E-40000", "|||"}));
    const int anchos[] = {50, 2000, 2500, 2000};
    for (int c = 0; c < 4; ++c) EXPECT_EQ(modelo_->MSFlexGrid3.ColWidth(c), anchos[c]);
    EXPECT_EQ(modelo_->lblEstadoTransmisiones(), "... ");
    // Una transmisión sin filas.
    clic(2);
    EXPECT_EQ(grilla(modelo_->MSFlexGrid3), (QStringList{"|Modelo|Serie|ECA1", "|||"}));
    // La fila vacía del final y la de títulos no cambian nada.
    garantia(2, "B1");
    clic(3);
    clic(0);
    EXPECT_EQ(modelo_->MSFlexGrid3.Rows(), 2);
}

TEST_F(Transmisiones, UnaFallaAlLeerSeMuestraYElProgramaSigue) {
    sql("DROP TABLE MV_TRANSMISIONES");
    mensajes_->responder(RespuestaMensaje::Aceptar);
    ventana_->SSTab1_Click(1);
    ASSERT_EQ(mensajes_->cuadros().size(), 1u);
    EXPECT_TRUE(mensajes_->cuadros()[0].texto.contains("MV_TRANSMISIONES"));
}

TEST_F(Transmisiones, UnaTransmisionGrandeSeMuestraEnteraYSeLeePorTramos) {
    transmision(1, "01/01/2026", "10:00");
    transmision(2, "01/01/2026", "10:00");
    sql("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2600) "
        "INSERT INTO AUX_GARANTIA (modelo,serie,nroTransmision,eca1,activacion) SELECT 'M' || i, 'S' || i, "
        "1, 'E', 'A' FROM n");
    garantia(2, "OTRA");
    ventana_->SSTab1_Click(1);
    ASSERT_EQ(modelo_->MSFlexGrid1.TextMatrix(2, 1), "1");  // en el mismo minuto, la de número mayor primero
    clic(2);
    ModeloGrilla& g = modelo_->MSFlexGrid3;
    // Todas las filas están desde el clic: la última se alcanza sin recorrer las anteriores.
    ASSERT_EQ(g.Rows(), 2602);
    EXPECT_EQ(modelo_->lblInfoTransmision(), "Transmisión 1: 2.600 filas");
    EXPECT_EQ(modelo_->lblEstadoTransmisiones(), "... ");
    EXPECT_EQ(g.TextMatrix(2600, 2), "S2600");
    EXPECT_EQ(g.TextMatrix(2600, 1), "M2600");
    EXPECT_EQ(g.TextMatrix(2601, 2), "");
    // Entre dos lecturas no queda nada abierto: otra consulta de la misma conexión (como las de
    // buscar y exportar) corre, y la grilla sigue leyendo donde estaba, por su clave.
    EXPECT_EQ(filas("SELECT count(*) FROM AUX_GARANTIA WHERE nroTransmision=1"), QStringList{"2600"});
    EXPECT_EQ(g.TextMatrix(1, 2), "S1");
    EXPECT_EQ(g.TextMatrix(1300, 2), "S1300");
    EXPECT_EQ(ventana_->transmisionMostrada(), 1);
    clic(1);
    EXPECT_EQ(grilla(g), (QStringList{"|Modelo|Serie|ECA1", "|M-2|OTRA|E-2", "|||"}));
    EXPECT_EQ(modelo_->lblInfoTransmision(), "Transmisión 2: 1 fila");
}
