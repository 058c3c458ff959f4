#include "ado/dbase/MemoDbf.h"

#include <QtEndian>

bool MemoDbf::abrir() {
    tamArchivo_ = memo_.size();
    if (!memo_.seek(0)) {
        falla_ = QStringLiteral("no se puede leer (%1)").arg(memo_.errorString());
        return false;
    }
    const QByteArray cabecera = memo_.read(512);
    if (cabecera.size() < 32) {
        falla_ = QStringLiteral("la cabecera está incompleta (%1 bytes)").arg(cabecera.size());
        return false;
    }
    const auto* p = reinterpret_cast<const uchar*>(cabecera.constData());
    if (clase_ == Clase::Fpt) {
        // FoxPro: SET BLOCKSIZE TO 0 guarda los memos en bloques de un byte.
        tamBloque_ = qFromBigEndian<quint16>(p + 6);
        if (tamBloque_ == 0) tamBloque_ = 1;
    } else {
        // dBase IV anota el tamaño; dBase III deja 0 y usa 512.
        tamBloque_ = qFromLittleEndian<quint16>(p + 20);
        if (tamBloque_ == 0) tamBloque_ = 512;
    }
    return true;
}

std::optional<QByteArray> MemoDbf::leer(quint32 bloque) {
    const qint64 inicio = static_cast<qint64>(bloque) * tamBloque_;
    if (inicio >= tamArchivo_ || !memo_.seek(inicio)) {
        falla_ = QStringLiteral("el memo del bloque %1 está fuera del archivo (%2 bytes)")
                     .arg(bloque)
                     .arg(tamArchivo_);
        return std::nullopt;
    }
    const QByteArray cabeza = memo_.read(8);
    const auto* p = reinterpret_cast<const uchar*>(cabeza.constData());
    qint64 largo = -1;
    if (clase_ == Clase::Fpt) {
        if (cabeza.size() < 8) {
            falla_ = QStringLiteral("el memo del bloque %1 está cortado").arg(bloque);
            return std::nullopt;
        }
        largo = qFromBigEndian<quint32>(p + 4);
    } else if (cabeza.size() == 8 && cabeza.startsWith(QByteArrayLiteral("\xFF\xFF\x08\x00"))) {
        largo = static_cast<qint64>(qFromLittleEndian<quint32>(p + 4)) - 8;  // el largo incluye la cabecera
        if (largo < 0) largo = 0;
    }
    if (largo >= 0) {
        if (largo > kMaxMemo || inicio + 8 + largo > tamArchivo_) {
            falla_ = QStringLiteral("el memo del bloque %1 dice medir %2 bytes y no caben en el archivo")
                         .arg(bloque)
                         .arg(largo);
            return std::nullopt;
        }
        QByteArray datos = memo_.read(largo);
        if (datos.size() != largo) {
            falla_ = QStringLiteral("el memo del bloque %1 está cortado").arg(bloque);
            return std::nullopt;
        }
        return datos;
    }
    // dBase III: el texto sigue hasta el primer 0x1A (o el final del archivo).
    if (!memo_.seek(inicio)) {
        falla_ = QStringLiteral("no se puede leer el bloque %1 (%2)").arg(bloque).arg(memo_.errorString());
        return std::nullopt;
    }
    QByteArray datos;
    for (;;) {
        const QByteArray trozo = memo_.read(512);
        if (trozo.isEmpty()) return datos;
        const qsizetype fin = trozo.indexOf('\x1A');
        if (fin >= 0) {
            datos.append(trozo.constData(), fin);
            return datos;
        }
        datos.append(trozo);
        if (datos.size() > kMaxMemo) {
            falla_ = QStringLiteral("el memo del bloque %1 no termina (sin 0x1A en %2 MiB)")
                         .arg(bloque)
                         .arg(kMaxMemo >> 20);
            return std::nullopt;
        }
    }
}
