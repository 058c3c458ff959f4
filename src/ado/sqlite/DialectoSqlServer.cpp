#include "ado/sqlite/DialectoSqlServer.h"

#include <QSet>
#include <algorithm>

#include "ado/FichasSql.h"

namespace DialectoSqlServer {
namespace {

using Ficha = FichaSql;

bool Es(const Ficha& f, const char* palabra) {
    return f.tipo == Ficha::Palabra && f.texto.compare(QLatin1String(palabra), Qt::CaseInsensitive) == 0;
}
bool EsSimbolo(const Ficha& f, char c) { return f.tipo == Ficha::Simbolo && f.texto == QChar(c); }
bool Significativa(const Ficha& f) {
    return f.tipo != Ficha::Blanco && f.tipo != Ficha::FinLinea && f.tipo != Ficha::Comentario;
}

// Índice de la próxima ficha significativa desde i (inclusive); n si no hay.
std::size_t Proxima(const std::vector<Ficha>& f, std::size_t i) {
    while (i < f.size() && !Significativa(f[i])) ++i;
    return i;
}

// Índice del paréntesis que cierra al que está en i; n si no cierra.
std::size_t Cierre(const std::vector<Ficha>& f, std::size_t i) {
    int nivel = 0;
    for (; i < f.size(); ++i) {
        if (EsSimbolo(f[i], '('))
            ++nivel;
        else if (EsSimbolo(f[i], ')') && --nivel == 0)
            return i;
    }
    return f.size();
}

QString Unir(const std::vector<Ficha>& f, std::size_t desde, std::size_t hasta) {
    QString t;
    for (std::size_t i = desde; i < hasta && i < f.size(); ++i) t += f[i].texto;
    return t;
}

const QSet<QString>& Sugerencias() {
    static const QSet<QString> s{"NOLOCK",          "UPDLOCK",       "HOLDLOCK",     "ROWLOCK",
                                 "PAGLOCK",         "TABLOCK",       "TABLOCKX",     "READPAST",
                                 "READUNCOMMITTED", "READCOMMITTED", "SERIALIZABLE", "REPEATABLEREAD",
                                 "XLOCK",           "NOWAIT"};
    return s;
}

// Si en i empieza "( sugerencia [, sugerencia]* )", devuelve el índice del ")"; si no, n.
std::size_t ListaSugerencias(const std::vector<Ficha>& f, std::size_t i) {
    if (i >= f.size() || !EsSimbolo(f[i], '(')) return f.size();
    const std::size_t fin = Cierre(f, i);
    if (fin >= f.size()) return f.size();
    bool alguna = false;
    for (std::size_t k = i + 1; k < fin; ++k) {
        if (!Significativa(f[k]) || EsSimbolo(f[k], ',')) continue;
        if (f[k].tipo != Ficha::Palabra || !Sugerencias().contains(f[k].texto.toUpper())) return f.size();
        alguna = true;
    }
    return alguna ? fin : f.size();
}

void QuitarSugerencias(std::vector<Ficha>& f) {
    std::vector<Ficha> salida;
    for (std::size_t i = 0; i < f.size(); ++i) {
        if (Es(f[i], "WITH")) {
            const std::size_t abre = Proxima(f, i + 1);
            const std::size_t fin = ListaSugerencias(f, abre);
            if (fin < f.size()) {
                salida.push_back({Ficha::Blanco, QStringLiteral(" ")});
                i = fin;
                continue;
            }
        } else if (EsSimbolo(f[i], '(')) {
            const std::size_t fin = ListaSugerencias(f, i);
            if (fin < f.size()) {
                // "FROM t (nolock)": sólo si lo anterior es un nombre de tabla.
                std::size_t k = salida.size();
                while (k > 0 && !Significativa(salida[k - 1])) --k;
                if (k > 0 &&
                    (salida[k - 1].tipo == Ficha::Palabra || salida[k - 1].tipo == Ficha::Identificador)) {
                    salida.push_back({Ficha::Blanco, QStringLiteral(" ")});
                    i = fin;
                    continue;
                }
            }
        }
        salida.push_back(f[i]);
    }
    f = std::move(salida);
}

// "SELECT [DISTINCT] TOP n ..." -> "SELECT [DISTINCT] ... LIMIT n", al final de la consulta
// que lo contiene (antes del paréntesis que la cierra, si es una subconsulta).
void PasarTop(std::vector<Ficha>& f) {
    for (std::size_t i = 0; i < f.size(); ++i) {
        if (!Es(f[i], "SELECT")) continue;
        std::size_t j = Proxima(f, i + 1);
        if (j < f.size() && (Es(f[j], "DISTINCT") || Es(f[j], "ALL"))) j = Proxima(f, j + 1);
        if (j >= f.size() || !Es(f[j], "TOP")) continue;
        std::size_t k = Proxima(f, j + 1);
        QString n;
        std::size_t ultimo;
        if (k < f.size() && EsSimbolo(f[k], '(')) {
            const std::size_t fin = Cierre(f, k);
            if (fin >= f.size()) continue;
            n = Unir(f, k + 1, fin).trimmed();
            ultimo = fin;
        } else if (k < f.size() && f[k].tipo == Ficha::Numero) {
            n = f[k].texto;
            ultimo = k;
        } else {
            continue;
        }
        // Dónde termina esta consulta: el ")" que baja del nivel del SELECT, o el final.
        int nivel = 0;
        std::size_t fin = f.size();
        for (std::size_t m = ultimo + 1; m < f.size(); ++m) {
            if (EsSimbolo(f[m], '('))
                ++nivel;
            else if (EsSimbolo(f[m], ')') && --nivel < 0) {
                fin = m;
                break;
            } else if (nivel == 0 && EsSimbolo(f[m], ';')) {
                fin = m;
                break;
            }
        }
        // Los blancos finales quedan después del LIMIT.
        std::size_t insertar = fin;
        while (insertar > ultimo + 1 && !Significativa(f[insertar - 1])) --insertar;
        f.insert(f.begin() + static_cast<std::ptrdiff_t>(insertar),
                 {Ficha::Palabra, QStringLiteral(" LIMIT ") + n});
        f.erase(f.begin() + static_cast<std::ptrdiff_t>(j),
                f.begin() + static_cast<std::ptrdiff_t>(ultimo + 1));
    }
}

// "IF NOT EXISTS (sub) INSERT INTO t (cols) VALUES (vals)"
//   -> "INSERT INTO t (cols) SELECT vals WHERE NOT EXISTS (sub)"
bool PasarIfNotExists(std::vector<Ficha>& f) {
    const std::size_t si = Proxima(f, 0);
    if (si >= f.size() || !Es(f[si], "IF")) return false;
    const std::size_t no = Proxima(f, si + 1);
    if (no >= f.size() || !Es(f[no], "NOT")) return false;
    const std::size_t existe = Proxima(f, no + 1);
    if (existe >= f.size() || !Es(f[existe], "EXISTS")) return false;
    const std::size_t abre = Proxima(f, existe + 1);
    if (abre >= f.size() || !EsSimbolo(f[abre], '(')) return false;
    const std::size_t cierra = Cierre(f, abre);
    if (cierra >= f.size()) return false;
    const std::size_t insert = Proxima(f, cierra + 1);
    if (insert >= f.size() || !Es(f[insert], "INSERT")) return false;
    // Buscar VALUES ( ... ) en el nivel 0 del INSERT.
    std::size_t values = f.size();
    int nivel = 0;
    for (std::size_t k = insert; k < f.size(); ++k) {
        if (EsSimbolo(f[k], '('))
            ++nivel;
        else if (EsSimbolo(f[k], ')'))
            --nivel;
        else if (nivel == 0 && Es(f[k], "VALUES")) {
            values = k;
            break;
        }
    }
    if (values >= f.size()) return false;
    const std::size_t abreValores = Proxima(f, values + 1);
    if (abreValores >= f.size() || !EsSimbolo(f[abreValores], '(')) return false;
    const std::size_t cierraValores = Cierre(f, abreValores);
    if (cierraValores >= f.size()) return false;

    QString t = Unir(f, insert, values) + QStringLiteral("SELECT ") +
                Unir(f, abreValores + 1, cierraValores) + QStringLiteral(" WHERE NOT EXISTS ") +
                Unir(f, abre, cierra + 1) + Unir(f, cierraValores + 1, f.size());
    f = FichasSql(t);
    return true;
}

void CambiarFunciones(std::vector<Ficha>& f) {
    for (std::size_t i = 0; i < f.size(); ++i) {
        if (f[i].tipo != Ficha::Palabra) continue;
        const std::size_t k = Proxima(f, i + 1);
        const bool esFuncion = k < f.size() && EsSimbolo(f[k], '(');
        if (esFuncion && Es(f[i], "ISNULL"))
            f[i].texto = QStringLiteral("IFNULL");
        else if (esFuncion && Es(f[i], "LEN"))
            f[i].texto = QStringLiteral("LENGTH");
        else if ((f[i].texto == "N" || f[i].texto == "n") && i + 1 < f.size() &&
                 f[i + 1].tipo == Ficha::Literal)
            f[i].texto.clear();
    }
}

// "serie = x" en una sentencia sobre AUX_GARANTIA -> "serie_clave = clave_serie(x)": la base
// embebida guarda la clave de cada serie (sin blancos finales y en minúsculas, también Á, Ñ...)
// en la columna serie_clave, con su índice único; así la búsqueda usa el índice y compara con
// la misma regla que decide qué serie ya está. Sólo en una condición (después de WHERE, AND, OR,
// ON, NOT o "("), nunca en un SET.
void PasarClaveSerie(std::vector<Ficha>& f) {
    const auto tabla = std::find_if(
        f.begin(), f.end(), [](const Ficha& x) { return x.tipo == Ficha::Palabra && Es(x, "AUX_GARANTIA"); });
    if (tabla == f.end()) return;
    auto anterior = [&](std::size_t i) -> std::size_t {
        while (i > 0) {
            --i;
            if (Significativa(f[i]) && !(f[i].tipo == Ficha::Palabra && f[i].texto.isEmpty())) return i;
        }
        return f.size();
    };
    for (std::size_t i = 0; i < f.size(); ++i) {
        if (f[i].tipo != Ficha::Palabra || !Es(f[i], "serie")) continue;
        // El calificador "a." queda como está; lo que importa es lo que viene antes de él.
        std::size_t p = anterior(i);
        if (p < f.size() && EsSimbolo(f[p], '.')) {
            const std::size_t q = anterior(p);
            if (q >= f.size() || f[q].tipo != Ficha::Palabra) continue;
            p = anterior(q);
        }
        const bool enCondicion =
            p < f.size() && (EsSimbolo(f[p], '(') || Es(f[p], "WHERE") || Es(f[p], "AND") || Es(f[p], "OR") ||
                             Es(f[p], "ON") || Es(f[p], "NOT"));
        if (!enCondicion) continue;
        const std::size_t igual = Proxima(f, i + 1);
        if (igual >= f.size() || !EsSimbolo(f[igual], '=')) continue;
        std::size_t v = Proxima(f, igual + 1);
        while (v < f.size() && f[v].tipo == Ficha::Palabra && f[v].texto.isEmpty())
            v = Proxima(f, v + 1);  // N'...'
        if (v >= f.size()) continue;
        std::size_t fin = v;
        if (f[v].tipo == Ficha::Palabra) {
            // a.b.c
            while (fin + 2 < f.size() && EsSimbolo(f[fin + 1], '.') && f[fin + 2].tipo == Ficha::Palabra)
                fin += 2;
        } else if (!(f[v].tipo == Ficha::Literal || f[v].tipo == Ficha::Numero || EsSimbolo(f[v], '?'))) {
            continue;
        }
        f[i].texto = QStringLiteral("serie_clave");
        f[v].texto.prepend(QStringLiteral("clave_serie("));
        f[fin].texto.append(')');
        i = fin;
    }
}

const QSet<QString>& InicioSentencia() {
    static const QSet<QString> s{"BEGIN",  "COMMIT", "ROLLBACK", "INSERT",   "UPDATE",  "DELETE", "IF",
                                 "CREATE", "DROP",   "ALTER",    "SET",      "DECLARE", "EXEC",   "EXECUTE",
                                 "SELECT", "SAVE",   "PRINT",    "TRUNCATE", "PRAGMA"};
    return s;
}

}  // namespace

QStringList SepararLote(const QString& lote) {
    const auto f = FichasSql(lote);
    QStringList sentencias;
    QString actual;
    int nivel = 0;
    QString primera;              // primera palabra de la sentencia actual
    bool esperaCuerpo = false;    // "IF ... (cond)" todavía sin la sentencia que controla
    bool insertSinFilas = false;  // "INSERT INTO t (...)" todavía sin VALUES ni SELECT
    bool esTrigger = false;       // "CREATE TRIGGER": su cuerpo BEGIN ... END lleva ";" adentro
    bool enCuerpo = false;
    auto cerrar = [&] {
        if (!actual.trimmed().isEmpty()) sentencias << actual.trimmed();
        actual.clear();
        primera.clear();
        esperaCuerpo = insertSinFilas = esTrigger = enCuerpo = false;
    };
    for (std::size_t i = 0; i < f.size(); ++i) {
        const Ficha& x = f[i];
        if (x.tipo == Ficha::Palabra && esTrigger) {
            if (Es(x, "BEGIN"))
                enCuerpo = true;
            else if (Es(x, "END"))
                enCuerpo = false;
        }
        if (x.tipo == Ficha::Palabra && primera == QLatin1String("CREATE") && Es(x, "TRIGGER"))
            esTrigger = true;
        if (x.tipo == Ficha::Simbolo && x.texto == ";" && nivel == 0 && !enCuerpo) {
            cerrar();
            continue;
        }
        if (x.tipo == Ficha::FinLinea && (nivel > 0 || enCuerpo)) {
            actual += x.texto;
            continue;
        }
        if (x.tipo == Ficha::FinLinea && nivel == 0) {
            const std::size_t k = Proxima(f, i + 1);
            const bool nueva = k < f.size() && f[k].tipo == Ficha::Palabra &&
                               InicioSentencia().contains(f[k].texto.toUpper()) && !esperaCuerpo &&
                               !(insertSinFilas && Es(f[k], "SELECT"));
            if (nueva || k >= f.size()) {
                cerrar();
                continue;
            }
            actual += ' ';
            continue;
        }
        if (EsSimbolo(x, '(')) ++nivel;
        if (EsSimbolo(x, ')')) --nivel;
        if (Significativa(x) && primera.isEmpty() && x.tipo == Ficha::Palabra) {
            primera = x.texto.toUpper();
            esperaCuerpo = primera == "IF";
            insertSinFilas = primera == "INSERT";
        } else if (x.tipo == Ficha::Palabra && nivel == 0) {
            if (esperaCuerpo && InicioSentencia().contains(x.texto.toUpper())) esperaCuerpo = false;
            if (insertSinFilas && (Es(x, "VALUES") || Es(x, "SELECT") || Es(x, "DEFAULT")))
                insertSinFilas = false;
        }
        actual += x.texto;
    }
    cerrar();
    return sentencias;
}

QString AdaptarASqlite(const QString& sentencia, bool claveSerie) {
    auto f = FichasSql(sentencia);
    QuitarSugerencias(f);
    PasarIfNotExists(f);
    PasarTop(f);
    CambiarFunciones(f);
    if (claveSerie) PasarClaveSerie(f);
    return Unir(f, 0, f.size());
}

}  // namespace DialectoSqlServer
