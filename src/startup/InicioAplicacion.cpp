#include "startup/InicioAplicacion.h"

#include <QFileInfo>
#include <cstdio>

#include "config/RegistrarAcceso.h"
#include "data/DiarioCorridas.h"
#include "platform/Proceso.h"
#include "platform/Rutina.h"
#include "startup/CatalogoConsultas.h"
#include "startup/ConectarEstadisticas.h"
#include "startup/Login.h"
#include "startup/ParametrosLanzamiento.h"
#include "startup/ReglasConexion.h"
#include "suite/AvisoError.h"
#include "suite/Componentes.h"
#include "suite/Configuracion.h"
#include "suite/FechaServidor.h"
#include "suite/Sesion.h"

namespace {
QString& Ayuda() {
    static QString ruta;
    return ruta;
}

constexpr int kNivelLeerNoConfirmado = 256;

[[noreturn]] void TerminarSinConexion(const Dll_Datos& datos) {
    // Sin cuadro de mensaje: el inicio termina en el acto. Una línea en stderr dice por qué.
    std::fprintf(stderr, "%s: no se pudo conectar con la base de datos%s%s\n",
                 qPrintable(Proceso::NombreEjecutable()), datos.UltimaFalla().isEmpty() ? "" : ": ",
                 qPrintable(datos.UltimaFalla()));
    Proceso::Terminar(1);
}
}  // namespace

QString ArchivoAyuda() { return Ayuda(); }
void FijarArchivoAyuda(const QString& ruta) { Ayuda() = ruta; }

void InicioAplicacion(const QString& lineaComandos) {
    Cartel& cartel = Componentes::Display();
    Dll_Datos& datos = Componentes::Datos();
    Sesion& s = sesion();

    QString cadena;
    ValoresLanzamiento v;
    QString textoConexion;
    bool hayPassword = false;
    bool hayUsuarioLogeado = false;

    Rutina inicio([&](const ErrorEjecucion& e) {
        try {
            cartel.CartelCerrar();
        } catch (const ErrorEjecucion&) {
        }
        if (e.numero() == Errores::ArgumentoInvalido) return Respuesta::Saltar;
        // El inicio termina en el acto, sin cuadro; una línea en stderr dice por qué (sin ella, una
        // falla de la base en medio del inicio terminaba el programa callado).
        std::fprintf(stderr, "%s: el inicio no terminó: %s\n", qPrintable(Proceso::NombreEjecutable()),
                     qPrintable(e.descripcion()));
        Proceso::Terminar(1);
    });
    std::size_t pasoValoresConexion = 0;
    std::size_t pasoSesionConectada = 0;

    // 1. Cartel.
    inicio.paso([&] { cartel.CartelInicio(QStringLiteral("Conectando Base de Datos"), false); });
    inicio.paso([&] {
        bool cancelado = false;
        cartel.CartelMostrar(cancelado, QVariant(QStringLiteral("Iniciando Aplicacion")),
                             QVariant(Proceso::NombreEjecutable()),
                             QVariant(QStringLiteral("Espere por favor")));
    });
    // 2. Archivo de ayuda, junto al ejecutable.
    inicio.paso([&] { Ayuda() = Proceso::CarpetaEjecutable() + QStringLiteral("htmlhelp/orvabizpack.chm"); });
    // 3. La cadena de parámetros.
    inicio.paso([&] { cadena = lineaComandos; });
    // 4. Con la conexión ya abierta, se sigue en el paso 12.
    inicio.paso([&] {
        if (datos.Conectado()) inicio.irA(pasoSesionConectada);
    });
    // 5. Parámetros de lanzamiento: cada lectura es una operación que el 5 puede saltar.
    inicio.paso([&] {
        s.ParametroAdicional = LeerFicha(cadena, QStringLiteral("@ParametroAdicional")).value_or(QString());
    });
    inicio.paso([&] { LeerFicha(cadena, QStringLiteral("@Menu")); });
    inicio.paso([&] { v.servidor = LeerFicha(cadena, QStringLiteral("@Server")).value_or(QString()); });
    inicio.paso([&] { v.base = LeerFicha(cadena, QStringLiteral("@DbName")).value_or(QString()); });
    inicio.paso([&] { v.usuario = LeerFicha(cadena, QStringLiteral("@Usuario")).value_or(QString()); });
    inicio.paso([&] {
        hayUsuarioLogeado = cadena.contains(QLatin1String("@UsuarioLogeado"), Qt::CaseInsensitive);
        if (hayUsuarioLogeado)
            s.Usuario = LeerFicha(cadena, QStringLiteral("@UsuarioLogeado")).value_or(QString());
    });
    inicio.paso([&] {
        if (!hayUsuarioLogeado) s.Usuario = v.usuario;
    });
    inicio.paso([&] {
        if (s.Usuario.trimmed().isEmpty()) s.Usuario = v.usuario;
    });
    inicio.paso([&] {
        hayPassword = cadena.contains(QLatin1String("@Password"), Qt::CaseInsensitive);
        if (hayPassword) v.clave = LeerFicha(cadena, QStringLiteral("@Password")).value_or(QString());
    });
    inicio.paso([&] {
        if (!hayPassword) return;
        s.Clave = v.clave.compare(v.base, Qt::CaseInsensitive) == 0 ? QStringLiteral("* *") : v.clave;
    });
    inicio.paso([&] { LeerFicha(cadena, QStringLiteral("@Caja")); });
    // 6. Plataforma.
    inicio.paso([&] { AplicarMarcaPlataforma(v.servidor, textoConexion, v.base, v.usuario, v.clave); });
    // 7. Valores de conexión: la base se conecta con su propio nombre como usuario y clave.
    pasoValoresConexion = inicio.cantidad();
    inicio.paso([&] {
        datos.NombreUsuario = v.base;
        datos.NombreBase = v.base;
        datos.ClaveUsuario = v.base;
        datos.NombreServidor = NormalizarServidor(v.servidor);
    });
    // 8. Conectar.
    inicio.paso([&] {
        const bool sinServidor = v.servidor.trimmed().isEmpty() || v.usuario.trimmed().isEmpty();
        datos.Conectar(sinServidor, 3, textoConexion, true, true);
    });
    // 9. Sin conexión, el programa termina en el acto.
    inicio.paso([&] {
        if (!datos.Conectado()) TerminarSinConexion(datos);
    });
    // 10. Conexión de estadísticas y tiempo de espera de las sentencias.
    inicio.paso([&] { ConectarEstadisticas(); });
    // 11. Opciones de la conexión.
    inicio.paso([&] { datos.conexion().setCommandTimeout(s.TiempoEsperaComandos); });
    inicio.paso([&] { datos.conexion().setIsolationLevel(kNivelLeerNoConfirmado); });
    // 12. Con nombre de base: entorno, base por defecto y catálogo de consultas.
    pasoSesionConectada = inicio.cantidad();
    std::size_t pasoLogin = 0;
    inicio.paso([&] {
        if (datos.NombreBase.isEmpty()) inicio.irA(pasoLogin);
    });
    inicio.paso([&] { Componentes::Entorno().RutaAplicacion = Proceso::CarpetaAplicacion(); });
    inicio.paso([&] { datos.conexion().setDefaultDatabase(datos.NombreBase); });
    inicio.paso([&] {
        Dll_Consultas& consultas = Componentes::Consultas();
        consultas.MotorBase = datos.TipoMotor();
        consultas.CatalogoActivo = true;
        consultas.ArchivoCatalogo = Proceso::CarpetaAplicacion() + QStringLiteral("consultas.ntw");
    });
    // El catálogo se crea sólo si falta; uno existente queda intacto.
    inicio.paso([&] {
        if (!QFileInfo(Componentes::Consultas().ArchivoCatalogo).isFile()) CrearCatalogoConsultas();
    });
    inicio.paso([&] { CargarConfiguracion(); });
    // 13. Ingreso.
    pasoLogin = inicio.cantidad();
    inicio.paso([&] {
        const ResultadoIngreso ingreso = Ingreso();
        if (!ingreso.reconectar) return;
        // Validado en el cuadro con otra base u otro servidor: el inicio vuelve a los valores de
        // conexión con los que eligió el operador, no con los del lanzamiento.
        v.base = ingreso.base;
        v.servidor = ingreso.servidor;
        textoConexion.clear();
        AplicarMarcaPlataforma(v.servidor, textoConexion, v.base, v.usuario, v.clave);
        inicio.irA(pasoValoresConexion);
    });
    // 14. Registro del acceso.
    inicio.paso([&] { RegistrarAcceso(QString()); });
    // Las importaciones de esta estación que murieron en medio (un corte, un kill) quedaron "en
    // curso" en el diario: ahora se sabe que no siguen. Sin diario, lo dice una vez y sigue.
    inicio.paso([&] { DiarioCorridas(datos, &FechaServidor, &AnotarAviso).marcarInterrumpidas(); });
    // 15. Cartel cerrado; se vuelve a la ventana.
    inicio.paso([&] { cartel.CartelCerrar(); });

    try {
        inicio.correr();
    } catch (const std::exception&) {
        // Cualquier otra falla termina el programa sin mensaje.
        try {
            cartel.CartelCerrar();
        } catch (...) {
        }
        Proceso::Terminar(1);
    }
}
