#include "data/ConstructorSentencias.h"

#include "data/LiteralSql.h"
#include "platform/ErrorEjecucion.h"

namespace {

constexpr int32_t kSubindiceFueraDeIntervalo = 9;

[[noreturn]] void FueraDeIntervalo() {
    throw ErrorEjecucion(kSubindiceFueraDeIntervalo,
                         QStringLiteral("El subíndice está fuera del intervalo."));
}

// "(c1,c2) VALUES (l1,l2)": las dos listas se unen con una coma sola, sin blanco.
QString ColumnasYValores(const ListaCampos& campos) {
    if (campos.empty()) FueraDeIntervalo();
    QStringList nombres, literales;
    for (const CampoSentencia& c : campos) {
        nombres << c.Campo;
        literales << c.Literal;
    }
    return '(' + nombres.join(',') + ')' + QStringLiteral(" VALUES (") + literales.join(',') + ')';
}

}  // namespace

ListaCampos& Campos() {
    static ListaCampos lista;
    return lista;
}

void AgregarCampo(const QString& campo, QString& valor, bool nueva) {
    ListaCampos& lista = Campos();
    if (nueva) {
        lista.assign(1, CampoSentencia{});
    } else {
        // Una lista que CompletarInsert dejó sin entradas no tiene "última" a la cual seguir.
        if (lista.empty()) FueraDeIntervalo();
        lista.emplace_back();
    }
    valor.remove('\'');
    CampoSentencia& ultima = lista.back();
    ultima.Campo = campo;
    ultima.Literal = valor.compare(QLatin1String("NULL"), Qt::CaseInsensitive) == 0
                         ? QStringLiteral("Null")
                         : LiteralSql(valor, QStringLiteral("'"));
}

void ArmarSentencia(ListaCampos& campos, ListaSentencias& sentencias, const QString& tabla) {
    const QString sentencia = QStringLiteral("INSERT INTO ") + tabla + ' ' + ColumnasYValores(campos);
    sentencias.append(sentencia);
    campos.assign(1, CampoSentencia{});
}

void CompletarInsert(QString& sentencia, ListaCampos& campos) {
    sentencia += ColumnasYValores(campos);
    campos.clear();
}
