#include <QSysInfo>

#include "comun/BaseServicios.h"
#include "suite/FechaServidor.h"
#include "suite/RegistroErrorTabla.h"

namespace {
class ErrorTabla : public BaseServicios {
  protected:
    QStringList filasError() {
        return filas(
            "SELECT Proceso, fecha, Error, Descripcion, SQL, PC, Usuario FROM AUX_ERR ORDER BY rowid");
    }
};
}  // namespace

TEST_F(ErrorTabla, UnaFilaPorLlamada) {
    sesion().Usuario = "O'Brien";
    struct Caso {
        QString proceso;  // el argumento
        QString procesoQueda;
        int32_t numero;
        QString descripcion;
        QString guardada;
    };
    const QString larga = QString(249, 'd') + "ñ" + "resto";
    const Caso casos[] = {
        {"", "garantias", 2627, "dup", "dup"},
        {"otro", "otro", -2147467259, larga, QString(249, 'd') + "ñ"},
        {"", "garantias", 0, "", ""},
    };
    const QString sentencia = "BEGIN TRANSACTION \r\r\r" + QString(5000, 'x') + " 'ñ'\r";
    for (const auto& c : casos) {
        sql("DELETE FROM AUX_ERR");
        QString proceso = c.proceso;
        GrabarErrorTabla(sentencia, proceso, c.numero, c.descripcion);
        EXPECT_EQ(proceso, c.procesoQueda);
        const QStringList f = filasError();
        ASSERT_EQ(f.size(), 1);
        const QStringList v = f[0].split('|');
        ASSERT_EQ(v.size(), 7);
        EXPECT_EQ(v[0], "garantias");  // el argumento nunca cambia la columna
        EXPECT_TRUE(EsAhora(v[1], FormatoFechaHora())) << qPrintable(v[1]);
        EXPECT_EQ(v[2], QString::number(c.numero));
        EXPECT_EQ(v[3], c.guardada);
        EXPECT_EQ(v[4], sentencia);
        EXPECT_EQ(v[5], QSysInfo::machineHostName());
        EXPECT_EQ(v[6], "O'Brien");
    }
    EXPECT_TRUE(mensajes_->cuadros().empty());
}

TEST_F(ErrorTabla, SinTablaOSinConexionVuelveCallada) {
    sql("ALTER TABLE AUX_ERR RENAME TO AUX_ERR_GUARDADA");
    QString proceso;
    GrabarErrorTabla("s", proceso, 1, "d");
    EXPECT_EQ(proceso, "garantias");
    sql("ALTER TABLE AUX_ERR_GUARDADA RENAME TO AUX_ERR");
    EXPECT_TRUE(filasError().isEmpty());

    Dll_Datos& d = Componentes::Datos();
    d.NombreBase = "../no";  // cerrada y sin poder reabrirse
    d.conexion().Close();
    GrabarErrorTabla("s", proceso, 1, "d");
    EXPECT_FALSE(d.Conectado());
    d.NombreBase = "demo";
    d.Conectar(true, 3, {}, true, true);
    ASSERT_TRUE(d.Conectado());
    EXPECT_TRUE(filasError().isEmpty());
    EXPECT_TRUE(mensajes_->cuadros().empty());
}

TEST_F(ErrorTabla, UnaColumnaQueFaltaNoImpideLasDemas) {
    sql("DROP TABLE AUX_ERR");
    sql("CREATE TABLE AUX_ERR (Proceso TEXT, Error INTEGER, SQL TEXT)");
    QString proceso = "x";
    GrabarErrorTabla("select 1", proceso, 7, "d");
    EXPECT_EQ(filas("SELECT Proceso, Error, SQL FROM AUX_ERR"), QStringList{"garantias|7|select 1"});
}
