#pragma once
// garantias-cli corrido desde la carpeta temporal de la prueba: el programa escribe sus archivos
// (consultas.ntw, BASES.TXT) junto a su ejecutable y QZERR.LOG en la carpeta de "tmp", así que
// la prueba lo enlaza en su carpeta y le da esa carpeta como temporal y de datos.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include "comun/Pruebas.h"

struct ResultadoCli {
    int codigo = -1;
    QString salida;
    QString errores;
    QStringList lineas() const { return salida.split('\n', Qt::SkipEmptyParts); }
};

class ProgramaCli {
  public:
    // carpeta: la carpeta temporal de la prueba; las bases embebidas quedan en carpeta/datos.
    explicit ProgramaCli(const QString& carpeta) : carpeta_(carpeta) {
        const QString original = QCoreApplication::applicationDirPath() + QStringLiteral("/garantias-cli");
        QDir().mkpath(carpeta + QStringLiteral("/bin"));
        ruta_ = carpeta + QStringLiteral("/bin/garantias-cli");
        if (!QFileInfo::exists(ruta_) &&
            ::link(QFile::encodeName(original).constData(), QFile::encodeName(ruta_).constData()) != 0 &&
            !QFile::copy(original, ruta_)) {
            throw std::runtime_error("no se pudo poner garantias-cli en " + ruta_.toStdString());
        }
        entorno_ = QProcessEnvironment::systemEnvironment();
        entorno_.insert(QStringLiteral("temp"), QStringLiteral("x"));
        entorno_.insert(QStringLiteral("tmp"), carpeta);
        entorno_.insert(QStringLiteral("GARANTIAS_DATOS"), datos());
        entorno_.remove(QStringLiteral("GARANTIAS_CONEXION"));
    }
    QString ruta() const { return ruta_; }
    QString datos() const { return carpeta_ + QStringLiteral("/datos"); }
    const QProcessEnvironment& entorno() const { return entorno_; }
    QProcessEnvironment& entorno() { return entorno_; }

    // Corre el programa con los argumentos y la entrada dada y espera a que termine.
    ResultadoCli correr(const QStringList& argumentos, const QByteArray& entrada = {}) const {
        QProcess p;
        p.setProcessEnvironment(entorno_);
        p.start(ruta_, argumentos);
        ResultadoCli r;
        if (!p.waitForStarted(10000)) {
            ADD_FAILURE() << "no arranca garantias-cli: " << qPrintable(p.errorString());
            return r;
        }
        p.write(entrada);
        p.closeWriteChannel();
        if (!p.waitForFinished(120000)) {
            p.kill();
            p.waitForFinished(5000);
            ADD_FAILURE() << "garantias-cli no termina: " << qPrintable(argumentos.join(' '));
            return r;
        }
        r.codigo = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
        r.salida = QString::fromUtf8(p.readAllStandardOutput());
        r.errores = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    // SQL directo en la base embebida "nombre", como otra herramienta: las filas, una por línea con
    // sus valores separados por "|"; "ERROR: ..." si falla. Espera hasta 10 s un bloqueo ajeno.
    QString consultar(const QString& sql, const QString& nombre = QStringLiteral("demo")) const {
        sqlite3* db = nullptr;
        sqlite3_open(QFile::encodeName(datos() + '/' + nombre + QStringLiteral(".db")).constData(), &db);
        sqlite3_busy_timeout(db, 10000);
        QStringList filas;
        char* falla = nullptr;
        sqlite3_exec(
            db, sql.toUtf8().constData(),
            [](void* f, int n, char** valores, char**) {
                QStringList v;
                for (int i = 0; i < n; ++i) v << QString::fromUtf8(valores[i] ? valores[i] : "");
                *static_cast<QStringList*>(f) << v.join('|');
                return 0;
            },
            &filas, &falla);
        const QString r = falla ? QStringLiteral("ERROR: ") + falla : filas.join('\n');
        sqlite3_free(falla);
        sqlite3_close(db);
        return r;
    }

  private:
    QString carpeta_;
    QString ruta_;
    QProcessEnvironment entorno_;
};
