#include "data/sqlserver/PuntoTds.h"

#include <QFile>
#include <QJsonDocument>
#include <QStandardPaths>

#include "data/Dll_Datos.h"

PuntoTds::PuntoTds(const QJsonArray& guion) {
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty()) {
        falta_ = QStringLiteral("no hay python3");
        return;
    }
    QProcess odbcinst;
    odbcinst.start(QStringLiteral("odbcinst"), {QStringLiteral("-q"), QStringLiteral("-d")});
    odbcinst.waitForFinished(10000);
    if (!QString::fromUtf8(odbcinst.readAllStandardOutput()).contains(QLatin1String("[FreeTDS]"))) {
        falta_ = QStringLiteral("el controlador ODBC FreeTDS no está registrado (scripts/install-deps)");
        return;
    }
    QFile archivo(dir_.filePath(QStringLiteral("guion.json")));
    archivo.open(QIODevice::WriteOnly);
    archivo.write(QJsonDocument(guion).toJson());
    archivo.close();
    proceso_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    proceso_.start(python, {QStringLiteral(PUNTO_TDS), QStringLiteral("--guion"), archivo.fileName(),
                            QStringLiteral("--registro"), dir_.filePath(QStringLiteral("pedidos.jsonl")),
                            QStringLiteral("--almacen"), dir_.filePath(QStringLiteral("almacen.json"))});
    while (proceso_.waitForReadyRead(20000)) {
        const QByteArray linea = proceso_.readLine().trimmed();
        if (linea.startsWith("PUERTO ")) {
            puerto_ = linea.mid(7).toInt();
            return;
        }
    }
    falta_ = QStringLiteral("el punto TDS no arrancó");
}

PuntoTds::~PuntoTds() {
    if (proceso_.state() != QProcess::NotRunning) {
        proceso_.kill();
        proceso_.waitForFinished(5000);
    }
}

bool PuntoTds::conectar(Dll_Datos& datos) const {
    datos.NombreServidor = servidor();
    datos.NombreBase = QStringLiteral("suite");
    datos.NombreUsuario = QStringLiteral("operador");
    datos.ClaveUsuario = QStringLiteral("clave");
    datos.conexion().setCommandTimeout(2);
    datos.Conectar(false, 3, {}, true, true);
    return datos.Conectado();
}

std::vector<QJsonObject> PuntoTds::pedidos() const {
    std::vector<QJsonObject> todos;
    QFile archivo(dir_.filePath(QStringLiteral("pedidos.jsonl")));
    if (!archivo.open(QIODevice::ReadOnly)) return todos;
    while (!archivo.atEnd()) {
        const QJsonObject o = QJsonDocument::fromJson(archivo.readLine()).object();
        if (!o.isEmpty() && o.value(QStringLiteral("clase")).toString() != QLatin1String("ingreso"))
            todos.push_back(o);
    }
    return todos;
}

std::vector<QJsonObject> PuntoTds::pedidos(const QString& clase) const {
    std::vector<QJsonObject> elegidos;
    QFile archivo(dir_.filePath(QStringLiteral("pedidos.jsonl")));
    if (!archivo.open(QIODevice::ReadOnly)) return elegidos;
    while (!archivo.atEnd()) {
        const QJsonObject o = QJsonDocument::fromJson(archivo.readLine()).object();
        if (o.value(QStringLiteral("clase")).toString() == clase) elegidos.push_back(o);
    }
    return elegidos;
}

void PuntoTds::olvidar() {
    QFile archivo(dir_.filePath(QStringLiteral("pedidos.jsonl")));
    archivo.resize(0);
}

QJsonObject PuntoTds::almacen() const {
    QFile archivo(dir_.filePath(QStringLiteral("almacen.json")));
    if (!archivo.open(QIODevice::ReadOnly)) return {};
    return QJsonDocument::fromJson(archivo.readAll()).object();
}

QJsonObject PuntoTds::Regla(const QString& contiene, const QJsonArray& fichas, int veces) {
    QJsonObject r{{QStringLiteral("contiene"), contiene}, {QStringLiteral("responder"), fichas}};
    if (veces > 0) r.insert(QStringLiteral("veces"), veces);
    return r;
}

QJsonObject PuntoTds::Cuenta(int filas) { return {{QStringLiteral("cuenta"), filas}}; }

QJsonObject PuntoTds::SinCuenta() { return {{QStringLiteral("sin_cuenta"), true}}; }

QJsonObject PuntoTds::Error(int numero, int estado, const QString& texto, int clase) {
    return {{QStringLiteral("error"), QJsonObject{{QStringLiteral("numero"), numero},
                                                  {QStringLiteral("estado"), estado},
                                                  {QStringLiteral("clase"), clase},
                                                  {QStringLiteral("texto"), texto}}}};
}

QJsonObject PuntoTds::Filas(const QStringList& columnas, const QJsonArray& valores) {
    return {{QStringLiteral("filas"),
             QJsonObject{{QStringLiteral("columnas"), QJsonArray::fromStringList(columnas)},
                         {QStringLiteral("valores"), valores}}}};
}

QJsonObject PuntoTds::Transacciones(int n) { return {{QStringLiteral("transacciones"), n}}; }
