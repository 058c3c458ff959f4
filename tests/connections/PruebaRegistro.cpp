#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include "Acceso.h"
#include "connections/Registro.h"
#include "data/AlmacenEmbebido.h"
#include "suite/Componentes.h"

namespace {
const QString kSugerenciaServidor = "ingrese el nombre del servidor e instancia";

// Un puerto de 127.0.0.1 en el que nadie escucha: se toma uno libre y se suelta.
quint16 PuertoSinServidor() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    socklen_t largo = sizeof a;
    quint16 puerto = 1;
    if (s >= 0 && ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &largo) == 0) {
        puerto = ntohs(a.sin_port);
    }
    if (s >= 0) ::close(s);
    return puerto;
}
}  // namespace

TEST(NombreEntrada, BaseYServidorEnMayusculasSinPuerto) {
    EXPECT_EQ(NombreEntrada("ventas", "srv01:1500"), "VENTAS / SRV01");
    EXPECT_EQ(NombreEntrada(" ventas ", " srv01 "), "VENTAS / SRV01");
    EXPECT_EQ(NombreEntrada("demo", ""), "DEMO / ");
    EXPECT_EQ(TextoPruebaConexion("SQLOLEDB", "s", "b", "u", "p"),
              "PROVIDER=SQLOLEDB;Server=s;Database =b;UId=u;Pwd=p;");
}

TEST_F(Acceso, LaBaseEmbebidaQueExisteSeRegistraConLaConvencionDeLaSuite) {
    modelo_.Form_Load();  // sin archivo: las cajas muestran sus sugerencias
    ASSERT_EQ(modelo_.texto(Caja::TxtServidor), kSugerenciaServidor);
    modelo_.escribir(Caja::TxtDbName, " demo ");
    modelo_.escribir(Caja::TxtUserId, "operador");
    modelo_.escribir(Caja::TxtUserPassword, "otra");
    modelo_.CmdRegistrar_Click();
    EXPECT_TRUE(mensajes_->cuadros().empty()) << qPrintable(mensajes_->textos().join('|'));
    // La sugerencia del servidor no es un servidor: la entrada queda sin servidor.
    const QString enc = Componentes::Funciones().Encriptar("demo");
    EXPECT_EQ(leerBases(), "DEMO /,demo,demo," + enc + ",\r\n");
    EXPECT_EQ(modelo_.texto(Caja::TxtDbName), "demo");  // recortada en su caja
    EXPECT_FALSE(Componentes::Datos().Conectado());     // el registro deja cerrada la conexión
    EXPECT_EQ(modelo_.lstBases(), QStringList{"DEMO /"});
    EXPECT_EQ(modelo_.seleccionLista(), 0);
}

TEST_F(Acceso, UnaEntradaQueYaExisteNoSeRegistraOtraVez) {
    GrabarBase("VENTAS / SRV01", "ventas", "ventas", "ventas", "srv01:1433");
    const QString antes = leerBases();
    modelo_.Form_Load();
    modelo_.escribir(Caja::TxtDbName, "ventas");
    modelo_.escribir(Caja::TxtServidor, "srv01:1500");  // otro puerto: el mismo nombre
    mensajes_->responder(RespuestaMensaje::Aceptar);
    modelo_.CmdRegistrar_Click();
    ASSERT_EQ(mensajes_->cuadros().size(), 1u);
    EXPECT_EQ(mensajes_->cuadros()[0].texto, "La conexion que intenta registrar ya existe ");
    EXPECT_EQ(mensajes_->cuadros()[0].titulo, "Atencion");
    EXPECT_EQ(mensajes_->cuadros()[0].estilo, Botones::Aceptar | Botones::IconoInformacion);
    EXPECT_EQ(leerBases(), antes);
    EXPECT_TRUE(Componentes::Datos().Conectado());  // nada se tocó
}

TEST_F(Acceso, UnaBaseEmbebidaQueNoExisteNoSeCreaNiSeRegistra) {
    modelo_.Form_Load();
    modelo_.escribir(Caja::TxtDbName, "nueva");
    mensajes_->responder(RespuestaMensaje::Aceptar);
    modelo_.CmdRegistrar_Click();
    ASSERT_EQ(mensajes_->cuadros().size(), 1u);
    EXPECT_EQ(mensajes_->cuadros()[0].texto,
              "NO SE PUDO CONECTAR AL SERVIDOR  VERIFIQUE EL NOMBRE DE USUARIO Y PASSWORD INGRESADO");
    EXPECT_EQ(mensajes_->cuadros()[0].titulo, "AVISO AL OPERADOR");
    EXPECT_FALSE(QFileInfo::exists(RutaBases()));
    EXPECT_FALSE(AlmacenEmbebido::Existe(Proceso::CarpetaDatos(), "nueva"));
    EXPECT_FALSE(Componentes::Datos().Conectado());
    // La comprobación completa dejó en el objeto de datos los valores del cuadro.
    EXPECT_EQ(Componentes::Datos().NombreBase, "nueva");
}

TEST_F(Acceso, UnServidorQueNoContestaFallaProntoConElMensaje) {
    const QString servidor = QStringLiteral("127.0.0.1:%1").arg(PuertoSinServidor());
    modelo_.Form_Load();
    modelo_.escribir(Caja::TxtDbName, "ventas");
    modelo_.escribir(Caja::TxtServidor, servidor);
    modelo_.escribir(Caja::TxtUserId, "sa");
    modelo_.escribir(Caja::TxtUserPassword, "x");
    QElapsedTimer reloj;
    mensajes_->responder(RespuestaMensaje::Aceptar);
    reloj.start();
    modelo_.CmdRegistrar_Click();
    EXPECT_LT(reloj.elapsed(), 15000);
    ASSERT_EQ(mensajes_->cuadros().size(), 1u) << qPrintable(mensajes_->textos().join('|'));
    EXPECT_EQ(mensajes_->cuadros()[0].texto, "NO SE PUDO CONECTAR AL SERVIDOR " + servidor +
                                                 " VERIFIQUE EL NOMBRE DE USUARIO Y PASSWORD INGRESADO");
    EXPECT_FALSE(QFileInfo::exists(RutaBases()));
    EXPECT_FALSE(Componentes::Datos().Conectado());
    EXPECT_EQ(Componentes::Datos().NombreServidor, servidor);
    EXPECT_EQ(Componentes::Datos().NombreUsuario, "sa");
}

TEST_F(Acceso, ExisteBaseDeDatosNuncaCreaLaBaseYCierraLaConexion) {
    QString s, b = "DEMO", u = "DEMO", p = "DEMO", prov = "SQLOLEDB";
    EXPECT_TRUE(ExisteBaseDeDatos(s, b, u, p, prov));
    EXPECT_FALSE(Componentes::Datos().Conectado());
    b = "../fuera";
    EXPECT_FALSE(ExisteBaseDeDatos(s, b, u, p, prov));
    b = "nueva";
    EXPECT_FALSE(ExisteBaseDeDatos(s, b, u, p, prov));
    EXPECT_FALSE(AlmacenEmbebido::Existe(Proceso::CarpetaDatos(), "nueva"));
}

TEST_F(Acceso, UnaFallaAlEscribirAvisaYSigueConElAcompananteYLaLista) {
    // Un programa acompañante de prueba que anota sus argumentos.
    const QString salida = ejecutable_.filePath("argumentos.txt");
    EscribirArchivo(ejecutable_.filePath("ODBC.exe"),
                    ("#!/bin/sh\nprintf '%s' \"$*\" > '" + salida + ".parcial' && mv '" + salida +
                     ".parcial' '" + salida + "'\n")
                        .toUtf8());
    ASSERT_TRUE(QFile::setPermissions(ejecutable_.filePath("ODBC.exe"),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    // BASES.TXT es una carpeta: no se puede abrir para agregar.
    ASSERT_TRUE(QDir().mkpath(RutaBases()));
    modelo_.Form_Load();
    modelo_.escribir(Caja::TxtDbName, "demo");
    mensajes_->responder(RespuestaMensaje::Aceptar);
    modelo_.CmdRegistrar_Click();
    ASSERT_EQ(mensajes_->cuadros().size(), 1u);
    const auto& cuadro = mensajes_->cuadros()[0];
    EXPECT_TRUE(
        cuadro.texto.startsWith("SQL Server start failed.  \rSQL-DMO error:   75 No se puede escribir \"" +
                                RutaBases() + "\": es una carpeta"))
        << qPrintable(cuadro.texto);
    EXPECT_EQ(cuadro.titulo, "garantias");
    EXPECT_EQ(cuadro.estilo, Botones::Aceptar);
    EXPECT_FALSE(Componentes::Datos().Conectado());
    // El acompañante arrancó igual, sin esperarlo, con el servidor y la base de la conexión principal.
    // Espera su contenido, no que exista: el guion lo escribe aparte y lo pone en su lugar entero.
    // Hasta 30 s: en una máquina cargada el acompañante puede tardar en arrancar.
    QByteArray argumentos;
    for (int i = 0; i < 600 && argumentos.isEmpty(); ++i) {
        if (QFileInfo::exists(salida)) argumentos = LeerArchivo(salida);
        if (argumentos.isEmpty()) QThread::msleep(50);
    }
    EXPECT_EQ(argumentos, "Server=;DB=demo;");
}

TEST_F(Acceso, SinAcompananteElRegistroIgualCierraYLlenaLaLista) {
    modelo_.Form_Load();
    modelo_.escribir(Caja::TxtDbName, "demo");
    modelo_.CmdRegistrar_Click();
    EXPECT_TRUE(mensajes_->cuadros().empty());
    EXPECT_FALSE(Componentes::Datos().Conectado());
    EXPECT_EQ(modelo_.lstBases(), QStringList{"DEMO /"});
    EXPECT_EQ(LineaAcompanante("srv"), Proceso::CarpetaEjecutable() + "ODBC.exe Server=srv;DB=demo;");
}
