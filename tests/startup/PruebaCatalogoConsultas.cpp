#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "comun/Pruebas.h"
#include "startup/CatalogoConsultas.h"
#include "suite/Componentes.h"

namespace {

// El registro esperado, armado a mano: campos de ancho fijo rellenados con blancos.
QByteArray Registro(const QByteArray& titulo, const QByteArray& vista, const QByteArray& columnas) {
    return titulo.leftJustified(100, ' ') + vista.leftJustified(100, ' ') + columnas.leftJustified(500, ' ') +
           QByteArray(500, ' ') + "\r\n";
}

QByteArray Esperado() {
    return Registro("ARTICULOS", "V_MA_ARTICULOS", "|DESCRIPCION|IDARTICULO|") +
           Registro("CLIENTES", "VT_CLIENTES", "|RAZON_SOCIAL|CODIGO|CONTACTO|") +
           Registro("PROVEEDORES", "VT_PROVEEDORES", "|RAZON_SOCIAL|CODIGO|") +
           Registro("CONTACTOS", "MA_CONTACTOS", "|Nombre_y_Apellido|Domicilio|Localidad|Telefono|") +
           Registro("VENDEDORES", "V_TA_VENDEDORES", "|NOMBRE|IDVENDEDOR|") +
           Registro("TECNICOS", "V_TA_TECNICOS", "|NOMBRE|IDTECNICO|") +
           Registro("MANTENIMIENTOS", "V_MA_MANTENIMIENTOS", "|DESCRIPCION|CODIGO|") +
           Registro("CUENTAS", "MA_CUENTAS", "|DESCRIPCION|CODIGO|") +
           Registro("TAREAS", "V_TA_Tareas", "|Descripcion|IdTarea|") +
           Registro("UnidadNegocio", "V_TA_UnidadNegocio", "|Descripcion|Codigo|") +
           Registro("DEPOSITO", "V_TA_DEPOSITO", "|Descripcion|IdDeposito|");
}

class Catalogo : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        Componentes::Reiniciar();
        ruta_ = dir_.filePath("consultas.ntw");
        Componentes::Consultas().ArchivoCatalogo = ruta_;
    }
    void TearDown() override { Componentes::Reiniciar(); }
    QTemporaryDir dir_;
    QString ruta_;
};

}  // namespace

TEST_F(Catalogo, OnceRegistrosDe1202BytesByteAByte) {
    CrearCatalogoConsultas();
    const QByteArray b = LeerArchivo(ruta_);
    ASSERT_EQ(b.size(), 13222);
    EXPECT_EQ(b, Esperado());
    // Registro 9: la vista con sus blancos y las columnas que terminan en la barra.
    const QByteArray r9 = b.mid(8 * 1202, 1202);
    EXPECT_EQ(r9.mid(100, 13), "V_TA_Tareas  ");
    EXPECT_EQ(r9.mid(200, 22), "|Descripcion|IdTarea| ");
    EXPECT_EQ(r9.right(2), "\r\n");
}

TEST_F(Catalogo, CadaEntradaVaTrasElUltimoRegistroEntero) {
    struct Caso {
        int largoPrevio;
        int registrosConservados;  // registros enteros del archivo previo que quedan delante
    };
    const Caso casos[] = {{0, 0}, {1201, 0}, {1202, 1}, {1300, 1}, {2 * 1202 + 5, 2}};
    for (const auto& c : casos) {
        const QByteArray previo(c.largoPrevio, 'x');
        EscribirArchivo(ruta_, previo);
        CrearCatalogoConsultas();
        const QByteArray b = LeerArchivo(ruta_);
        const qsizetype delante = qsizetype(c.registrosConservados) * 1202;
        EXPECT_EQ(b.size(), delante + 13222) << c.largoPrevio;
        EXPECT_EQ(b.left(delante), previo.left(delante)) << c.largoPrevio;
        EXPECT_EQ(b.mid(delante), Esperado()) << c.largoPrevio;
    }
}

TEST_F(Catalogo, UnaRutaQueNoSePuedeEscribirLanza) {
    for (const QString& ruta : {dir_.filePath("no/existe/consultas.ntw"), dir_.path()}) {
        Componentes::Consultas().ArchivoCatalogo = ruta;
        try {
            CrearCatalogoConsultas();
            ADD_FAILURE() << "no lanzó: " << qPrintable(ruta);
        } catch (const ErrorEjecucion& e) {
            // Distinto de 5: el inicio no lo salta, termina el programa.
            EXPECT_NE(e.numero(), 5);
            EXPECT_TRUE(e.descripcion().contains(ruta)) << qPrintable(e.descripcion());
        }
    }
}
