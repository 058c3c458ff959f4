#include "startup/UsuariosAplicacion.h"

#include "platform/ErrorEjecucion.h"
#include "platform/Proceso.h"
#include "suite/Componentes.h"

namespace {
constexpr int32_t kDatoNoValido = 5;
constexpr int32_t kYaExiste = 3022;  // la fila duplicaría una clave única
constexpr int32_t kNoExiste = 3021;  // no hay fila actual

QString Literal(const QString& texto) {
    return Componentes::Datos().FormatearValor(texto, QStringLiteral("'"));
}

ErrorEjecucion Falla(int32_t numero, const QString& descripcion) {
    return ErrorEjecucion(numero, descripcion, Proceso::NombreEjecutable());
}

QString Condicion(const QString& nombre) {
    return QStringLiteral(" WHERE NOMBRE = ") + Literal(nombre) + QStringLiteral(" AND SISTEMA = ") +
           Literal(kSistemaUsuarios);
}

bool Existe(const QString& nombre) {
    Dll_Datos& datos = Componentes::Datos();
    RecordsetPtr rs;
    datos.AbrirRecordset(QStringLiteral("SELECT NOMBRE FROM TA_USUARIOS with(nolock)") + Condicion(nombre),
                         rs);
    const bool hay = !rs->EOF_();
    datos.CerrarRecordset(rs);
    return hay;
}

// Corre la sentencia; la lista de errores de la conexión dice si la base la aceptó.
void Ejecutar(const QString& sentencia) {
    Dll_Datos& datos = Componentes::Datos();
    datos.EjecutarSQL(sentencia);
    const auto& errores = datos.conexion().Errors();
    if (errores.Count() > 0) throw Falla(Errores::ProveedorFallo, errores.Item(0).descripcion);
}
}  // namespace

void AltaUsuario(const QString& nombre, const QString& clave) {
    const QString n = nombre.trimmed();
    if (n.isEmpty()) throw Falla(kDatoNoValido, QStringLiteral("Falta el nombre del usuario."));
    if (clave.isEmpty())
        throw Falla(kDatoNoValido, QStringLiteral("La clave del usuario %1 no puede estar vacía.").arg(n));
    if (Existe(n)) throw Falla(kYaExiste, QStringLiteral("El usuario %1 ya existe.").arg(n));
    const QString codificada = Componentes::Funciones().Encriptar(clave);
    Ejecutar(QStringLiteral("INSERT INTO TA_USUARIOS (NOMBRE, SISTEMA, Password, gUsuarioClave) VALUES (") +
             Literal(n) + QStringLiteral(", ") + Literal(kSistemaUsuarios) + QStringLiteral(", ") +
             Literal(codificada) + QStringLiteral(", ") + Literal(codificada) + ')');
}

void BajaUsuario(const QString& nombre) {
    const QString n = nombre.trimmed();
    if (n.isEmpty()) throw Falla(kDatoNoValido, QStringLiteral("Falta el nombre del usuario."));
    if (!Existe(n)) throw Falla(kNoExiste, QStringLiteral("El usuario %1 no existe.").arg(n));
    Ejecutar(QStringLiteral("DELETE FROM TA_USUARIOS") + Condicion(n));
}

QStringList ListaUsuarios() {
    Dll_Datos& datos = Componentes::Datos();
    const Dll_Funciones& f = Componentes::Funciones();
    RecordsetPtr rs;
    datos.AbrirRecordset(
        QStringLiteral("SELECT NOMBRE, SISTEMA FROM TA_USUARIOS with(nolock) ORDER BY NOMBRE, SISTEMA"), rs);
    QStringList lista;
    for (; !rs->EOF_(); rs->MoveNext())
        lista << f.ValorNoNulo(rs->Field(0)) + '\t' + f.ValorNoNulo(rs->Field(1));
    datos.CerrarRecordset(rs);
    return lista;
}
