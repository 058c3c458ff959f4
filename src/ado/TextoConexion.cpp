#include "ado/TextoConexion.h"

TextoConexion::TextoConexion(QString texto) : texto_(std::move(texto)) {
    const QString& t = texto_;
    qsizetype i = 0;
    while (i < t.size()) {
        const qsizetype igual = t.indexOf('=', i);
        const qsizetype puntoComa = t.indexOf(';', i);
        if (igual < 0 || (puntoComa >= 0 && puntoComa < igual)) {
            if (puntoComa < 0) break;
            i = puntoComa + 1;  // tramo sin "=": se ignora
            continue;
        }
        QString clave = t.mid(i, igual - i).trimmed();
        qsizetype j = igual + 1;
        while (j < t.size() && t[j] == ' ') ++j;
        QString valor;
        // Entre llaves ({...}) o comillas ("..." o '...'): hasta el cierre, que adentro va doblado.
        const QChar apertura = j < t.size() ? t[j] : QChar();
        if (apertura == '{' || apertura == '"' || apertura == '\'') {
            const QChar cierre = apertura == '{' ? QChar('}') : apertura;
            ++j;
            while (j < t.size()) {
                if (t[j] == cierre) {
                    if (j + 1 < t.size() && t[j + 1] == cierre) {
                        valor += cierre;
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                valor += t[j++];
            }
            const qsizetype fin = t.indexOf(';', j);
            i = fin < 0 ? t.size() : fin + 1;
        } else {
            const qsizetype fin = t.indexOf(';', j);
            valor = t.mid(j, (fin < 0 ? t.size() : fin) - j).trimmed();
            i = fin < 0 ? t.size() : fin + 1;
        }
        pares_.emplace_back(std::move(clave), std::move(valor));
    }
}

QString TextoConexion::valor(const QString& clave) const {
    for (const auto& [c, v] : pares_) {
        if (c.compare(clave, Qt::CaseInsensitive) == 0) return v;
    }
    return {};
}

bool TextoConexion::tiene(const QString& clave) const {
    for (const auto& par : pares_) {
        if (par.first.compare(clave, Qt::CaseInsensitive) == 0) return true;
    }
    return false;
}

QString TextoConexion::Llaves(const QString& valor) { return '{' + QString(valor).replace("}", "}}") + '}'; }

namespace {
// Si el valor escrito tal cual se leería distinto.
bool PideComillas(const QString& valor) {
    if (valor.isEmpty()) return false;
    const QChar primero = valor.front();
    return valor.contains(';') || primero.isSpace() || valor.back().isSpace() || primero == '{' ||
           primero == '"' || primero == '\'';
}
}  // namespace

QString TextoConexion::ValorOdbc(const QString& valor) { return PideComillas(valor) ? Llaves(valor) : valor; }

QString TextoConexion::ValorOleDb(const QString& valor) {
    return PideComillas(valor) ? '"' + QString(valor).replace("\"", "\"\"") + '"' : valor;
}
