#include "suite/Configuracion.h"

#include "ado/Valores.h"
#include "platform/Rutina.h"
#include "suite/AvisoError.h"
#include "suite/Componentes.h"
#include "suite/Sesion.h"

namespace {

// Cfg y CfgQZ: los pasos 2 a 6, sobre el objeto de datos dado.
QString LeerClave(Dll_Datos& datos, const QString& clave, QString& valorAux, const QString& rutina,
                  bool mirarConexion) {
    QString resultado;
    QString sentencia;
    RecordsetPtr rs;
    Rutina leer([&](const ErrorEjecucion& e) {
        if (AvisoError(e, std::nullopt, rutina) == 5) return Respuesta::Saltar;
        try {
            datos.CerrarRecordset(rs);
        } catch (const ErrorEjecucion&) {
        }
        resultado.clear();
        return Respuesta::Abandonar;
    });
    leer.paso([&] {
            if (mirarConexion && !datos.Conectado()) leer.terminar();
        })
        .paso([&] {
            if (sesion().TablaConfiguracion.trimmed().isEmpty())
                sesion().TablaConfiguracion = QStringLiteral("TA_CONFIGURACION");
        })
        .paso([&] {
            sentencia = QStringLiteral("SELECT VALOR, valoraux FROM ") + sesion().TablaConfiguracion +
                        QStringLiteral(" with(nolock)  WHERE CLAVE = '") + clave.trimmed() + '\'';
        })
        .paso([&] { datos.AbrirRecordset(sentencia, rs, nullptr, 0, 1, -1, true); })
        .paso([&] {
            if (rs->EOF_()) {
                resultado = QStringLiteral(" ");
                valorAux.clear();
            } else {
                resultado = TextoValor(rs->Field(QStringLiteral("Valor")));
                valorAux = TextoValor(rs->Field(QStringLiteral("ValorAux")));
            }
        })
        .paso([&] { datos.CerrarRecordset(rs); });
    leer.correr();
    return resultado;
}

}  // namespace

QString Cfg(const QString& clave, QString& valorAux) {
    return LeerClave(Componentes::Datos(), clave, valorAux, QStringLiteral("Cfg"), true);
}

QString CfgQZ(const QString& clave, QString& valorAux) {
    return LeerClave(Componentes::DatosEstadisticas(), clave, valorAux, QStringLiteral("CfgQZ"), false);
}

void GrabaCfgQZ(const QString& clave, const QVariant& valor, const QString& valorAux, bool politicaNegocio,
                const QString& grupo, bool recortar) {
    Dll_Datos& datos = Componentes::DatosEstadisticas();
    QString sentencia;
    RecordsetPtr rs;
    auto noNulo = [](const QVariant& v) { return v.isNull() ? QVariant(QString()) : v; };
    Rutina grabar(TrampaOmitir());
    grabar
        .paso([&] {
            sentencia = QStringLiteral("SELECT * FROM ") + sesion().TablaConfiguracion +
                        QStringLiteral(" with(nolock)  WHERE CLAVE = '") + clave + '\'';
        })
        .paso([&] { datos.AbrirRecordset(sentencia, rs, &datos.conexion(), 2, 3, -1, true); })
        .paso([&] {
            if (rs->EOF_()) rs->AddNew();
        })
        .paso([&] { rs->SetField(QStringLiteral("Grupo"), noNulo(grupo)); })
        .paso([&] { rs->SetField(QStringLiteral("Clave"), clave.trimmed().toUpper()); })
        .paso([&] {
            QVariant v = noNulo(valor);
            if (recortar) v = TextoValor(v).trimmed();
            rs->SetField(QStringLiteral("Valor"), v);
        })
        .paso([&] { rs->SetField(QStringLiteral("PoliticaNegocio"), politicaNegocio); })
        .paso([&] {
            if (!valorAux.isEmpty()) rs->SetField(QStringLiteral("ValorAux"), valorAux.trimmed());
        })
        .paso([&] { rs->Update(); })
        .paso([&] { datos.CerrarRecordset(rs); });
    grabar.correr();
}

void CargarConfiguracion() {
    Rutina cargar(TrampaOmitir());
    cargar.paso([] { sesion().TablaConfiguracion = QStringLiteral("ta_configuracion"); }).paso([] {
        QString aux;
        sesion().UTILIZARFECHADIA =
            Cfg(QStringLiteral("UTILIZARFECHADIA"), aux).compare(QLatin1String("SI"), Qt::CaseInsensitive) ==
            0;
    });
    cargar.correr();
}
