#include <unistd.h>

#include <QElapsedTimer>
#include <QFileInfo>

#include "Acceso.h"
#include "suite/AvisoError.h"
#include "suite/Componentes.h"

namespace {
QString Linea(const QString& nombre, const QString& servidor = "srv") {
    return nombre + ",db," + "usr," + Componentes::Funciones().Encriptar("clave") + ',' + servidor + "\r\n";
}
}  // namespace

TEST_F(Acceso, LaListaSeLlenaSegunLasReglasDeLectura) {
    struct Caso {
        const char* nombre;
        QByteArray bytes;  // nullptr: sin archivo
        QStringList lista;
        int avisos;  // AvisoError "FormLoad" (contestados con Abortar)
    };
    const QByteArray clave = Componentes::Funciones().Encriptar("x").toLatin1();
    const Caso casos[] = {
        {"sin archivo", QByteArray(), {}, 0},
        {"archivo vacío", QByteArray(""), {}, 0},
        {"dos entradas",
         "A / S,a,a," + clave + ",s\r\nB / T,b,b," + clave + ",t:1500\r\n",
         {"A / S", "B / T"},
         0},
        {"blancos antes de los campos", "   A,  a, a, x, s\r\n", {"A"}, 0},
        {"primer campo en blanco: no entra, pero consume sus campos", " ,a,a,x,s\r\nB,b,b,x,t\r\n", {"B"}, 0},
        {"una coma en el nombre corre todo lo que sigue",
         "VEN,TAS,db,u,p,srv\r\nB,db,u,p,s\r\n",
         {"VEN", "srv"},
         1},
        {"entre comillas la coma es del campo",
         "\"VEN,TAS\",db,u,p,srv\r\nB,db,u,p,s\r\n",
         {"VEN,TAS", "B"},
         0},
        {"lo que sigue a las comillas se descarta", "\"A\" resto,db,u,p,s\r\n", {"A"}, 0},
        {"un fin de línea separa como una coma", "A\r\nb,c\r\nd\r\ne\r\nB,b,c,d,e\r\n", {"A", "B"}, 0},
        {"fines de línea sólo LF", "A,b,c,d,e\nB,b,c,d,e\n", {"A", "B"}, 0},
        {"última entrada sin fin de línea", "A,b,c,d,e\r\nB,b,c,d,e", {"A", "B"}, 0},
        {"líneas vacías al final no dejan entrada trunca", "A,b,c,d,e\r\n\r\n  \r\n", {"A"}, 0},
        // Una línea vacía en medio es un campo vacío: corre las entradas que siguen.
        {"línea vacía en medio", "A,b,c,d,e\r\n\r\nB,b,c,d,e\r\n", {"A"}, 1},
        {"última entrada corta", "A,b,c,d,e\r\nB,db\r\n", {"A"}, 1},
        {"acentos de Windows-1252", "CAF\xC9 / SE\xD1OR,b,c,d,e\r\n", {QString::fromUtf8("CAFÉ / SEÑOR")}, 0},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.nombre);
        QFile::remove(RutaBases());
        if (!c.bytes.isNull()) EscribirArchivo(RutaBases(), c.bytes);
        mensajes_->olvidar();
        mensajes_->responder(RespuestaMensaje::Abortar, c.avisos);
        ModeloAcceso m;
        m.llenarlist();
        EXPECT_EQ(m.lstBases(), c.lista);
        // Abortar deja la rutina antes de elegir la primera.
        EXPECT_EQ(m.seleccionLista(), c.lista.isEmpty() || c.avisos ? -1 : 0);
        ASSERT_EQ(static_cast<int>(mensajes_->cuadros().size()), c.avisos)
            << qPrintable(mensajes_->textos().join('|'));
        for (const auto& cuadro : mensajes_->cuadros()) {
            EXPECT_TRUE(cuadro.titulo.contains(" - FormLoad")) << qPrintable(cuadro.titulo);
            EXPECT_TRUE(cuadro.texto.contains("(62)")) << qPrintable(cuadro.texto);
        }
    }
}

TEST_F(Acceso, UnaEntradaCortaSeContestaComoElCuadroDeError) {
    bases("A,b,c,d,e\r\nB,db\r\n");
    // Omitir sigue con el paso de después: el nombre ya leído entra en la lista.
    mensajes_->responder(5);
    ModeloAcceso m;
    m.llenarlist();
    EXPECT_EQ(m.lstBases(), (QStringList{"A", "B"}));
    // Reintentar vuelve a leer (y vuelve a fallar); Abortar deja lo leído.
    mensajes_->olvidar();
    mensajes_->responder(4);
    mensajes_->responder(3);
    ModeloAcceso otro;
    otro.llenarlist();
    EXPECT_EQ(otro.lstBases(), (QStringList{"A"}));
    EXPECT_EQ(mensajes_->cuadros().size(), 2u);
    // El registro de errores (el de esta prueba, en su carpeta) tiene una línea por cuadro, con la
    // rutina y la respuesta.
    ASSERT_TRUE(RutaRegistroErrores().startsWith(dir_.path()));
    const QStringList lineas =
        Cp1252::Decodificar(LeerArchivo(RutaRegistroErrores())).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(lineas.size(), 3) << qPrintable(lineas.join('\n'));
    const char* respuestas[] = {"Ignorar", "Reintentar", "Abortar"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(lineas[i].contains("Rutina: - FormLoad Mensaje Ha ocurrido el Siguiente Error (62)"))
            << qPrintable(lineas[i]);
        EXPECT_TRUE(lineas[i].endsWith(QStringLiteral(" Respondió : ") + respuestas[i]))
            << qPrintable(lineas[i]);
    }
}

TEST_F(Acceso, GrabarBaseEscribeUnaLineaQueSeLeeIgual) {
    GrabarBase("  CAFÉ / SRV ", " café ", " café", QString::fromUtf8("clave, con coma"), " srv:1500 ");
    GrabarBase("B", "b", "b", "b", "t");
    // Guarda claves: sólo para el usuario (umask 022 o no).
    EXPECT_EQ(QFileInfo(RutaBases()).permissions() &
                  ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QByteArray bytes = LeerArchivo(RutaBases());
    EXPECT_TRUE(bytes.startsWith("CAF\xC9 / SRV,caf\xE9,caf\xE9,")) << bytes.constData();
    EXPECT_TRUE(bytes.endsWith(",srv:1500\r\nB,b,b," + Componentes::Funciones().Encriptar("b").toLatin1() +
                               ",t\r\n"));
    modelo_.llenarlist();
    modelo_.DatosBase(QString::fromUtf8("CAFÉ / SRV"));
    EXPECT_EQ(modelo_.entradaActual().clave, QString::fromUtf8("clave, con coma"));
    EXPECT_EQ(modelo_.entradaActual().servidor, "srv:1500");
    EXPECT_EQ(modelo_.entradaActual().base, QString::fromUtf8("café"));
}

TEST_F(Acceso, DatosBaseTomaLaPrimeraEntradaDelMismoNombreExacto) {
    bases(Linea("A", "uno") + Linea("A", "dos") + Linea("b", "tres"));
    modelo_.llenarlist();
    EXPECT_EQ(modelo_.lstBases(), (QStringList{"A", "A", "b"}));
    modelo_.DatosBase("  A ");
    EXPECT_EQ(modelo_.entradaActual().servidor, "uno");
    EXPECT_EQ(modelo_.entradaActual().clave, "clave");
    modelo_.DatosBase("B");  // otra caja: no coincide y la entrada actual no cambia
    EXPECT_EQ(modelo_.entradaActual().servidor, "uno");
    EXPECT_TRUE(mensajes_->cuadros().empty());
}

TEST_F(Acceso, DatosBaseAvisaLaEntradaCortaSoloSiNadaCoincidioAntes) {
    bases(Linea("A") + "B,db\r\n");
    mensajes_->responder(RespuestaMensaje::Abortar);
    modelo_.llenarlist();
    mensajes_->olvidar();
    modelo_.DatosBase("A");
    EXPECT_TRUE(mensajes_->cuadros().empty());
    mensajes_->responder(RespuestaMensaje::Abortar);
    modelo_.DatosBase("Z");
    ASSERT_EQ(mensajes_->cuadros().size(), 1u);
    EXPECT_TRUE(mensajes_->cuadros()[0].titulo.contains(" - DatosBase"));
    EXPECT_EQ(modelo_.entradaActual().servidor, "srv");  // lo de antes de la falla
}

TEST_F(Acceso, ElegirUnaEntradaConPuertoMuestraServidorYPuerto) {
    bases(Linea("CON PUERTO", "srv01:1500") + Linea("SIN PUERTO", "otro"));
    modelo_.llenarlist();  // elige la primera
    EXPECT_EQ(modelo_.texto(Caja::TxtServidor), "SRV01");
    EXPECT_EQ(modelo_.texto(Caja::TxtPuerto), "1500");
    EXPECT_EQ(modelo_.texto(Caja::TxtDbName), "db");
    EXPECT_EQ(modelo_.texto(Caja::TxtUserId), "");
    EXPECT_EQ(modelo_.texto(Caja::TxtUserPassword), "");  // la clave guardada nunca se muestra
    modelo_.lstBases_Click(1);
    EXPECT_EQ(modelo_.texto(Caja::TxtServidor), "otro");  // como está guardado
    EXPECT_EQ(modelo_.texto(Caja::TxtPuerto), "1500");    // queda el de antes
}

TEST_F(Acceso, DiezMilEntradasLlenanLaListaEnseguida) {
    QString texto;
    for (int i = 0; i < 10000; ++i) texto += Linea(QStringLiteral("BASE%1 / SRV").arg(i));
    bases(texto);
    QElapsedTimer reloj;
    reloj.start();
    modelo_.llenarlist();
    EXPECT_EQ(modelo_.lstBases().size(), 10000);
    EXPECT_EQ(modelo_.lstBases().last(), "BASE9999 / SRV");
    // Llenar y elegir la primera (que vuelve a leer hasta encontrarla).
    EXPECT_LT(reloj.elapsed(), 2000);
    reloj.restart();
    modelo_.lstBases_Click(9999);  // buscar la última lee el archivo entero
    EXPECT_LT(reloj.elapsed(), 1000);
    EXPECT_EQ(modelo_.texto(Caja::TxtDbName), "db");
}

TEST_F(Acceso, GrabarBaseNoEscribeATravesDeUnEnlace) {
    // BASES.TXT puesto como enlace a otro archivo (el de otro programa, en una carpeta que otros
    // escriben): la conexión con su clave no va a parar allí.
    const QString otro = ejecutable_.filePath("otro.txt");
    EscribirArchivo(otro, "ajeno\n");
    ASSERT_EQ(::symlink(QFile::encodeName(otro).constData(), QFile::encodeName(RutaBases()).constData()), 0);
    try {
        GrabarBase("A", "a", "a", "secreta", "srv");
        ADD_FAILURE() << "escribió a través del enlace";
    } catch (const ErrorEjecucion& e) {
        EXPECT_TRUE(e.descripcion().contains(RutaBases()) && e.descripcion().contains("enlace simbólico"))
            << qPrintable(e.descripcion());
    }
    EXPECT_EQ(LeerArchivo(otro), "ajeno\n");
}
