#include "ado/FichasSql.h"

namespace {
bool EsPalabra(QChar c) { return c.isLetterOrNumber() || c == '_' || c == '@' || c == '#' || c == '$'; }
}  // namespace

std::vector<FichaSql> FichasSql(const QString& sql) {
    std::vector<FichaSql> f;
    const qsizetype n = sql.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = sql[i];
        qsizetype j = i + 1;
        FichaSql::Tipo tipo;
        if (c == '\'') {
            tipo = FichaSql::Literal;
            while (j < n) {
                if (sql[j] == '\'') {
                    if (j + 1 < n && sql[j + 1] == '\'') {
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                ++j;
            }
        } else if (c == '[' || c == '"' || c == '`') {
            tipo = FichaSql::Identificador;
            const QChar cierre = c == '[' ? QChar(']') : c;
            while (j < n && sql[j] != cierre) ++j;
            if (j < n) ++j;
        } else if (c == '\r' || c == '\n') {
            tipo = FichaSql::FinLinea;
            while (j < n && (sql[j] == '\r' || sql[j] == '\n')) ++j;
        } else if (c.isSpace()) {
            tipo = FichaSql::Blanco;
            while (j < n && sql[j].isSpace() && sql[j] != '\r' && sql[j] != '\n') ++j;
        } else if (c == '-' && j < n && sql[j] == '-') {
            tipo = FichaSql::Comentario;
            while (j < n && sql[j] != '\r' && sql[j] != '\n') ++j;
        } else if (c == '/' && j < n && sql[j] == '*') {
            tipo = FichaSql::Comentario;
            const qsizetype fin = sql.indexOf(QLatin1String("*/"), j + 1);
            j = fin < 0 ? n : fin + 2;
        } else if (c.isDigit()) {
            tipo = FichaSql::Numero;
            while (j < n && (sql[j].isDigit() || sql[j] == '.')) ++j;
        } else if (EsPalabra(c)) {
            tipo = FichaSql::Palabra;
            while (j < n && EsPalabra(sql[j])) ++j;
        } else {
            tipo = FichaSql::Simbolo;
        }
        f.push_back({tipo, sql.mid(i, j - i)});
        i = j;
    }
    return f;
}
