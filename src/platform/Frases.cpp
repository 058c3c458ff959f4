#include "platform/Frases.h"

QString ConPunto(const QString& frase) {
    QString f = frase.trimmed();
    if (f.isEmpty()) return f;
    const QChar ultimo = f.back();
    if (ultimo != u'.' && ultimo != u'?' && ultimo != u'!' && ultimo != u'…') f += u'.';
    return f;
}

QString Frases(std::initializer_list<QString> frases) {
    QString texto;
    for (const QString& f : frases) {
        const QString con = ConPunto(f);
        if (con.isEmpty()) continue;
        if (!texto.isEmpty()) texto += u' ';
        texto += con;
    }
    return texto;
}
