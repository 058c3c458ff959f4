#include "ado/Proveedor.h"

#include "ado/ClasesOrigen.h"
#include "ado/FichasSql.h"
#include "ado/Valores.h"
#include "platform/ErrorEjecucion.h"

void FuenteFilas::guardar(const std::vector<std::pair<QString, QVariant>>&, bool) {
    throw ErrorEjecucion(3251,
                         QStringLiteral("El origen es de sólo lectura: no admite agregar ni cambiar filas."),
                         QStringLiteral("ADO"));
}

void Proveedor::ejecutar(const QString&, ListaErrores& errores) {
    errores.agregar({QStringLiteral("El origen es de sólo lectura: no admite cambios."), 3251, nombre(), {}});
}

void Proveedor::empezarTransaccion() {}
void Proveedor::confirmarTransaccion() {}
void Proveedor::deshacerTransaccion() {}
void Proveedor::fijarTiempoEspera(int) {}
void Proveedor::fijarAislamiento(int) {}

namespace {
// Escribe cada "?" (fuera de literales) con el literal de su valor.
class SentenciaConLiterales : public SentenciaPreparada {
  public:
    SentenciaConLiterales(Proveedor& proveedor, QString sql) : proveedor_(proveedor), sql_(std::move(sql)) {}
    int64_t ejecutar(const std::vector<QVariant>& valores, ListaErrores& errores) override {
        QString texto;
        std::size_t i = 0;
        for (const auto& ficha : FichasSql(sql_)) {
            if (ficha.tipo == FichaSql::Simbolo && ficha.texto == QLatin1String("?") && i < valores.size()) {
                texto += Literal(valores[i++]);
            } else {
                texto += ficha.texto;
            }
        }
        const int antes = errores.Count();
        proveedor_.ejecutar(texto, errores);
        return errores.Count() > antes ? -1 : 1;
    }

  private:
    static QString Literal(const QVariant& v) {
        if (!v.isValid() || v.isNull()) return QStringLiteral("Null");
        switch (v.typeId()) {
            case QMetaType::Int:
            case QMetaType::LongLong:
            case QMetaType::Short:
            case QMetaType::UInt:
            case QMetaType::ULongLong:
                return QString::number(v.toLongLong());
            case QMetaType::Double:
                return QString::number(v.toDouble(), 'g', 17);
            case QMetaType::Bool:
                return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
            default:
                return '\'' + TextoValor(v).replace('\'', QLatin1String("''")) + '\'';
        }
    }

    Proveedor& proveedor_;
    QString sql_;
};
}  // namespace

int64_t SentenciaPreparada::ejecutarListos(const std::vector<ValorListo>& valores, ListaErrores& errores) {
    std::vector<QVariant> convertidos;
    convertidos.reserve(valores.size());
    for (const ValorListo& v : valores)
        convertidos.push_back(v.esEntero ? QVariant(static_cast<qlonglong>(v.entero))
                                         : QVariant(QString::fromUtf8(v.texto)));
    return ejecutar(convertidos, errores);
}

std::unique_ptr<SentenciaPreparada> Proveedor::preparar(const QString& sql) {
    return std::make_unique<SentenciaConLiterales>(*this, sql);
}

std::unique_ptr<FuenteFilas> Proveedor::leerTabla(const QString& tabla) {
    return consultar(SentenciaDeTabla(tabla), false);
}
