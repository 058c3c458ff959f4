#include "connections/Registro.h"

#include <QFileInfo>
#include <QProcess>

#include "connections/ArchivoBases.h"
#include "connections/ModeloAcceso.h"
#include "data/AlmacenEmbebido.h"
#include "platform/Mensajes.h"
#include "platform/Privado.h"
#include "platform/Proceso.h"
#include "platform/Rutina.h"
#include "suite/Archivos.h"
#include "suite/Componentes.h"

namespace {

// La parte del servidor en el nombre de la entrada: sin puerto.
QString ParteServidor(const QString& servidor) {
    QString parte = servidor.trimmed().toUpper();
    const qsizetype dosPuntos = parte.indexOf(':');
    if (dosPuntos >= 0) parte = parte.left(dosPuntos);
    return parte;
}

// El número como lo escribe la conversión de la plataforma: un blanco delante si no es negativo.
QString NumeroComoTexto(int32_t n) { return n < 0 ? QString::number(n) : ' ' + QString::number(n); }

// Fallas que el registro pasa por alto: objeto cerrado, servicio ya iniciado o no iniciado,
// y las de los componentes de servidor que el registro no necesita.
bool SeSigue(int32_t numero) {
    return numero == 3704 || numero == -2147023840 || numero == 1056 || numero == 440 || numero == 20480;
}

void AvisoArranque(const ErrorEjecucion& e) {
    MsgBox(QStringLiteral("SQL Server start failed.  \rSQL-DMO error:  ") + NumeroComoTexto(e.numero()) +
               ' ' + e.descripcion(),
           Botones::Aceptar, TituloAplicacion());
}

void ArrancarAcompanante(const QString& servidor) {
    const QString programa = Proceso::CarpetaEjecutable() + QStringLiteral("ODBC.exe");
    if (!QFileInfo(programa).isFile()) return;
    if (Privado::EscribiblePorOtros(programa)) {
        throw ErrorEjecucion(
            70,
            QStringLiteral("No se inicia %1: otros usuarios pueden cambiar el programa o su carpeta.")
                .arg(programa),
            Proceso::NombreEjecutable());
    }
    // Sin esperar: su trabajo es suyo. Los argumentos van como los recibiría el original.
    const QString argumento =
        QStringLiteral("Server=") + servidor + QStringLiteral(";DB=") + Componentes::Datos().NombreBase + ';';
    if (!QProcess::startDetached(programa, {argumento}, Proceso::CarpetaEjecutable())) {
        throw ErrorEjecucion(53, QStringLiteral("No se pudo iniciar %1.").arg(programa),
                             Proceso::NombreEjecutable());
    }
}

}  // namespace

QString NombreEntrada(const QString& base, const QString& servidor) {
    return base.trimmed().toUpper() + QStringLiteral(" / ") + ParteServidor(servidor);
}

QString TextoPruebaConexion(const QString& proveedor, const QString& servidor, const QString& base,
                            const QString& usuario, const QString& clave) {
    return QStringLiteral("PROVIDER=") + proveedor + QStringLiteral(";Server=") + servidor +
           QStringLiteral(";Database =") + base + QStringLiteral(";UId=") + usuario +
           QStringLiteral(";Pwd=") + clave + ';';
}

bool ExisteBaseDeDatos(QString& Servidor, QString& Dbname, QString& Usuario, QString& Password,
                       QString& Proveedor) {
    Dll_Datos& datos = Componentes::Datos();
    bool resultado = true;
    try {
        if (datos.Conectado()) datos.conexion().Close();
    } catch (const ErrorEjecucion&) {
    }
    const QString texto = TextoPruebaConexion(Proveedor, Servidor, Dbname, Usuario, Password);
    try {
        if (Servidor.trimmed().isEmpty()) {
            // La base embebida no tiene usuarios de base: existe o no existe. Nunca se crea aquí,
            // para que un nombre mal escrito no deje una base vacía.
            const QString carpeta = datos.ParametroConexion.trimmed().isEmpty()
                                        ? Proceso::CarpetaDatos()
                                        : datos.ParametroConexion.trimmed();
            resultado = AlmacenEmbebido::Existe(carpeta, Dbname.trimmed());
        } else {
            datos.conexion().Open(texto, QString(), QString(), -1);
        }
    } catch (const ErrorEjecucion&) {
        resultado = false;
    }
    try {
        if (datos.Conectado()) datos.conexion().Close();
    } catch (const ErrorEjecucion&) {
    }
    return resultado;
}

QString LineaAcompanante(const QString& servidor) {
    return Proceso::CarpetaEjecutable() + QStringLiteral("ODBC.exe Server=") + servidor +
           QStringLiteral(";DB=") + Componentes::Datos().NombreBase + ';';
}

void Registrar(ModeloAcceso& d) {
    Dll_Datos& datos = Componentes::Datos();
    QString servidor, base, nombre;
    bool avisado = false;  // una falla de otro número: aviso, y se sigue con el acompañante

    // Pasos 1 a 8: comprobar y escribir la entrada.
    Rutina comprobar([&](const ErrorEjecucion& e) {
        if (SeSigue(e.numero())) return Respuesta::Saltar;
        AvisoArranque(e);
        avisado = true;
        return Respuesta::Abandonar;
    });
    // 1. Nombre de la entrada. Una caja con su sugerencia cuenta como vacía.
    comprobar.paso([&] { nombre = NombreEntrada(d.valor(Caja::TxtDbName), d.valor(Caja::TxtServidor)); });
    // 2. Una entrada con ese nombre ya está registrada.
    comprobar.paso([&] {
        d.entradaActual().servidor.clear();
        d.DatosBase(nombre);
        if (d.entradaActual().servidor.trimmed().isEmpty()) return;
        MsgBox(QStringLiteral("La conexion que intenta registrar ya existe "),
               Botones::Aceptar | Botones::IconoInformacion, QStringLiteral("Atencion"));
        comprobar.abandonar();
    });
    // 3. El puerto de TxtPuerto no se usa: un puerto se registra sólo como parte del servidor.
    // 4. Sin blancos en los extremos, escrito de vuelta en cada caja.
    comprobar.paso([&] {
        for (Caja c : {Caja::TxtServidor, Caja::TxtUserId, Caja::TxtUserPassword, Caja::TxtDbName}) {
            d.ponerTexto(c, d.texto(c).trimmed());
        }
    });
    // 5.
    comprobar.paso([&] {
        servidor = d.valor(Caja::TxtServidor);
        base = d.valor(Caja::TxtDbName);
    });
    // 6. Prueba rápida con la convención de la suite: usuario y clave iguales a la base.
    std::size_t pasoGrabar = 0;
    comprobar.paso([&] {
        QString b = base.toUpper(), u = base.toUpper(), p = base.toUpper(),
                proveedor = QStringLiteral("SQLOLEDB");
        QString s = servidor;
        if (ExisteBaseDeDatos(s, b, u, p, proveedor)) comprobar.irA(pasoGrabar);
    });
    // 7. Prueba completa con el usuario y la clave escritos.
    comprobar.paso([&] {
        if (datos.Conectado()) datos.conexion().Close();
        datos.NombreServidor = servidor;
        datos.NombreUsuario = d.valor(Caja::TxtUserId);
        datos.ClaveUsuario = d.valor(Caja::TxtUserPassword);
        datos.NombreBase = base;
        // Sin servidor, conectar crearía la base: la que no existe no se puede registrar.
        const QString carpeta = datos.ParametroConexion.trimmed().isEmpty()
                                    ? Proceso::CarpetaDatos()
                                    : datos.ParametroConexion.trimmed();
        if (!servidor.trimmed().isEmpty() || AlmacenEmbebido::Existe(carpeta, base.trimmed())) {
            datos.Conectar(false, 3, QString(), true, true);
        }
        if (datos.Conectado()) return;
        MsgBox(QStringLiteral("NO SE PUDO CONECTAR AL SERVIDOR ") + servidor +
                   QStringLiteral(" VERIFIQUE EL NOMBRE DE USUARIO Y PASSWORD INGRESADO"),
               Botones::Aceptar | Botones::IconoInformacion, QStringLiteral("AVISO AL OPERADOR"));
        comprobar.abandonar();
    });
    // 8. La entrada, con la convención de la suite: usuario y clave de la base, la base misma.
    pasoGrabar = comprobar.cantidad();
    comprobar.paso([&] { GrabarBase(nombre, base, base, base, servidor); });

    if (!comprobar.correr() && !avisado) return;

    // Pasos 9 a 11. Una falla aquí se avisa y se sigue con el paso siguiente (volver al 9 con
    // la misma falla no terminaría nunca).
    Rutina terminar([&](const ErrorEjecucion& e) {
        if (!SeSigue(e.numero())) AvisoArranque(e);
        return Respuesta::Saltar;
    });
    terminar.paso([&] { ArrancarAcompanante(servidor); });
    terminar.paso([&] { datos.conexion().Close(); });
    terminar.paso([&] { d.llenarlist(); });
    terminar.correr();
}
