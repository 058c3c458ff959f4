#include "data/Dll_Datos.h"

#include <QRegularExpression>

#include "ado/Proveedores.h"
#include "ado/TextoConexion.h"
#include "data/AlmacenEmbebido.h"
#include "data/LiteralSql.h"
#include "platform/ErrorEjecucion.h"
#include "platform/Proceso.h"

QString Dll_Datos::TipoMotor() const { return tipoMotor_; }

void Dll_Datos::Conectar(bool, int, const QString& textoConexion, bool, bool principal) {
    principal_ = principal;
    ultimaFalla_.clear();
    try {
        if (conexion_.abierta()) conexion_.Close();
        if (!textoConexion.trimmed().isEmpty()) {
            tipoMotor_ = textoConexion.contains(QLatin1String("oracle"), Qt::CaseInsensitive)
                             ? QStringLiteral("Oracle")
                             : QStringLiteral("SQL Server");
            conexion_.Open(textoConexion);
        } else if (NombreServidor.trimmed().isEmpty()) {
            tipoMotor_ = QStringLiteral("SQLite");
            const QString carpeta =
                ParametroConexion.trimmed().isEmpty() ? Proceso::CarpetaDatos() : ParametroConexion.trimmed();
            AlmacenEmbebido::Abrir(conexion_, carpeta, NombreBase);
            ParametroConexion = carpeta;
        } else {
            tipoMotor_ = QStringLiteral("SQL Server");
            conexion_.Open(TextoConexionSqlServer(NombreServidor, NombreBase, NombreUsuario, ClaveUsuario));
        }
    } catch (const ErrorEjecucion& e) {
        ultimaFalla_ = e.descripcion();
    }
    if (principal) LiteralesUnicode(tipoMotor_ == QLatin1String("SQL Server"));
}

void Dll_Datos::reabrirSiHaceFalta() {
    if (!conexion_.abierta()) Conectar(NombreServidor.trimmed().isEmpty(), 3, {}, true, principal_);
}

void Dll_Datos::AbrirRecordset(const QString& sql, RecordsetPtr& rs, Conexion* cn, int cursor, int bloqueo,
                               int, bool) {
    if (!cn || cn == &conexion_) {
        reabrirSiHaceFalta();
        cn = &conexion_;
    }
    rs.reset();
    rs = cn->abrirRecordset(sql, cursor, bloqueo);
}

bool Dll_Datos::BuscarRegistro(const QString& tabla, const QString& valor, const QString& columna,
                               RecordsetPtr* rs, int, const QString&, bool) {
    RecordsetPtr propio;
    RecordsetPtr& destino = rs ? *rs : propio;
    AbrirRecordset(QStringLiteral("SELECT * FROM ") + tabla + QStringLiteral(" WHERE ") + columna +
                       QStringLiteral(" = ") + FormatearValor(valor, QStringLiteral("'")),
                   destino);
    const bool hay = !destino->EOF_();
    if (!rs) CerrarRecordset(propio);
    return hay;
}

void Dll_Datos::EjecutarSQL(const QString& sql, int, RecordsetPtr*) {
    reabrirSiHaceFalta();
    conexion_.Execute(sql);
}

QString Dll_Datos::FormatearValor(const QString& valor, const QString& tipo) const {
    return LiteralSql(valor, tipo);
}

void Dll_Datos::CerrarRecordset(RecordsetPtr& rs) {
    if (rs && rs->abierto()) rs->Close();
    rs.reset();
}
