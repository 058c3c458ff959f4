// bench_importar: lo que mide bench/importar/correr, un proceso por medición.
//   bench_importar generar csv|xlsx|dbf|db FILAS RUTA SEMILLA   escribe un archivo de prueba
//   bench_importar ventana RUTA TABLA "CADENA"            la importación de la ventana, sin pantalla:
//       inicio, "Buscar >>>" (el archivo lo elige un selector guionado), la tabla y "Importar".
//       Escribe "segundos_del_clic|línea de estado|resumen".
//   bench_importar detener RUTA TABLA "CADENA" SEGUNDOS...   "Importar" y, a los SEGUNDOS, "Detener":
//       escribe "segundos_hasta_detener segundos_de_respuesta filas_guardadas botón|resumen" por
//       cada uno (bench/detener/correr).
//   bench_importar consultar "CADENA" NRO NRO...          "Consultar" y un clic en cada transmisión,
//       tres vueltas: escribe "NRO segundos filas_mostradas" con el mejor tiempo de cada una, del
//       clic hasta sus primeras filas pintadas.
//   bench_importar fin "CADENA" NRO VECES                  un clic en la transmisión y VECES veces
//       Ctrl+Fin en su grilla (volviendo arriba entre una y otra): escribe "segundos_del_peor_ctrl_fin
//       fila_alcanzada filas_de_la_grilla memoria_pico_MiB".
// Sale con 0; con 1 si algo falló (el motivo por la salida de errores) o si apareció un cuadro de
// mensaje, que en una corrida sin fallas no debe aparecer.
#include <sys/resource.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <map>

#include "GenerarArchivos.h"
#include "data/Dll_Datos.h"
#include "import/ui/FrmAuxGarantia.h"
#include "platform/Mensajes.h"
#include "suite/Componentes.h"

namespace {

class ArchivoGuionado : public SelectorArchivo {
  public:
    explicit ArchivoGuionado(QString ruta) : ruta_(std::move(ruta)) {}
    std::optional<QString> elegir(const QString&, const QString&) override { return ruta_; }

  private:
    QString ruta_;
};

// Los cuadros van a la salida de errores y se cuentan: uno en medio de la medición la invalida.
class MensajesContados : public MensajesConsola {
  public:
    static inline int cuadros = 0;
    int mostrar(const QString& texto, int estilo, const QString& titulo) override {
        ++cuadros;
        return MensajesConsola::mostrar(texto, estilo, titulo);
    }
};

int Fallar(const QString& motivo) {
    std::fprintf(stderr, "bench_importar: %s\n", qPrintable(motivo));
    return 1;
}

// La ventana cargada (el inicio corrido con la cadena) y a la vista.
std::unique_ptr<FrmAuxGarantia> AbrirVentana(const QString& cadena, const QString& ruta) {
    auto ventana = std::make_unique<FrmAuxGarantia>(std::make_unique<ArchivoGuionado>(ruta));
    ventana->Form_Load(cadena);
    ventana->show();
    if (!QTest::qWaitForWindowExposed(ventana.get())) return nullptr;
    return ventana;
}

// La ventana con el archivo buscado ("Buscar >>>") y la tabla elegida, lista para "Importar"; nula
// si algo falló (el motivo, por la salida de errores).
std::unique_ptr<FrmAuxGarantia> VentanaConTabla(const QString& ruta, const QString& tabla,
                                                const QString& cadena) {
    auto v = AbrirVentana(cadena, ruta);
    if (!v) {
        Fallar(QStringLiteral("la ventana no se mostró"));
        return nullptr;
    }
    v->CmdBuscar->click();
    QCoreApplication::processEvents();
    const int i = v->cmbTabla->findText(tabla);
    if (i < 0) {
        Fallar(QStringLiteral("la lista no tiene la tabla %1").arg(tabla));
        return nullptr;
    }
    if (v->cmbTabla->currentText() != tabla) {
        v->cmbTabla->setCurrentIndex(i);
        Q_EMIT v->cmbTabla->activated(i);  // como la elige el operador
    }
    return v;
}

int ImportarConLaVentana(const QString& ruta, const QString& tabla, const QString& cadena) {
    auto v = VentanaConTabla(ruta, tabla, cadena);
    if (!v) return 1;
    if (MensajesContados::cuadros > 0)
        return Fallar(QStringLiteral("un cuadro de mensaje antes de importar"));

    QElapsedTimer reloj;
    reloj.start();
    v->cmdImportar->click();
    QCoreApplication::processEvents();
    const double segundos = reloj.nsecsElapsed() / 1e9;
    if (MensajesContados::cuadros > 0 || !v->procedimientos().resumen().terminada) {
        return Fallar(QStringLiteral("la importación no terminó: ") + v->modelo().lblEstado());
    }
    std::printf("%.3f|%s|%s\n", segundos, qPrintable(v->modelo().lblEstado()),
                qPrintable(v->lblResumen->text()));
    return 0;
}

// Del clic en la fila de la transmisión hasta que su primera fila está en la grilla y pintada.
double ClicEnTransmision(FrmAuxGarantia& v, const QString& numero, int& filas) {
    QAbstractItemModel* lista = v.MSFlexGrid1->model();
    QModelIndex celda;
    for (int f = 1; f < lista->rowCount() && !celda.isValid(); ++f) {
        if (lista->index(f, 1).data().toString() == numero) celda = lista->index(f, 1);
    }
    if (!celda.isValid()) return -1;
    v.MSFlexGrid1->scrollTo(celda);
    const QPoint punto = v.MSFlexGrid1->visualRect(celda).center();
    // Las transmisiones se alternan: la primera serie de la grilla cambia con cada clic, así una
    // grilla que todavía muestra la transmisión anterior no cuenta como llena.
    QAbstractItemModel* grilla = v.MSFlexGrid3->model();
    const QString antes = grilla->index(1, 2).data().toString();
    auto llena = [&] {
        const QString primera = grilla->index(1, 2).data().toString();
        return grilla->rowCount() >= 2 && !primera.isEmpty() && primera != antes;
    };
    QElapsedTimer reloj;
    reloj.start();
    QTest::mouseClick(v.MSFlexGrid1->viewport(), Qt::LeftButton, {}, punto);
    while (!llena()) {
        if (reloj.elapsed() > 600000) return -1;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    v.MSFlexGrid3->viewport()->repaint();
    const double segundos = reloj.nsecsElapsed() / 1e9;
    filas = grilla->rowCount();
    return segundos;
}

int Consultar(const QString& cadena, const QStringList& numeros) {
    auto v = AbrirVentana(cadena, {});
    if (!v) return Fallar(QStringLiteral("la ventana no se mostró"));
    v->SSTab1->setCurrentIndex(1);  // carga las transmisiones
    QCoreApplication::processEvents();
    std::map<QString, std::pair<double, int>> mejor;
    for (int vuelta = 0; vuelta < 3; ++vuelta) {
        for (const QString& n : numeros) {
            int filas = 0;
            const double s = ClicEnTransmision(*v, n, filas);
            if (s < 0)
                return Fallar(
                    QStringLiteral("la transmisión %1 no está en la lista o no mostró filas").arg(n));
            auto [it, nueva] = mejor.try_emplace(n, s, filas);
            if (!nueva && s < it->second.first) it->second = {s, filas};
        }
    }
    if (MensajesContados::cuadros > 0) return Fallar(QStringLiteral("un cuadro de mensaje al consultar"));
    for (const QString& n : numeros)
        std::printf("%s %.4f %d\n", qPrintable(n), mejor[n].first, mejor[n].second);
    return 0;
}

qint64 FilasGuardadas() {
    RecordsetPtr rs;
    Componentes::Datos().AbrirRecordset(QStringLiteral("SELECT COUNT(*) FROM AUX_GARANTIA"), rs);
    return rs->Field(0).toLongLong();
}

// "Importar" y, a los segundos dados, "Detener" (un clic que llega con los eventos, como el del
// operador); mide del clic en "Detener" hasta que el clic en "Importar" volvió, con lo escrito
// confirmado. Cada medición sigue sobre la base de la anterior.
int Detener(const QString& ruta, const QString& tabla, const QString& cadena, const QStringList& segundos) {
    auto v = VentanaConTabla(ruta, tabla, cadena);
    if (!v) return 1;
    for (const QString& s : segundos) {
        QTest::qWait(600);  // pasado el doble clic de "Detener" de la medición anterior
        QElapsedTimer desdeImportar, desdeDetener;
        QTimer::singleShot(static_cast<int>(s.toDouble() * 1000), v.get(), [&] {
            desdeDetener.start();
            QTest::mouseClick(v->cmdImportar, Qt::LeftButton);
        });
        desdeImportar.start();
        v->cmdImportar->click();
        const double respuesta = desdeDetener.isValid() ? desdeDetener.nsecsElapsed() / 1e9 : -1;
        const double hasta = desdeImportar.nsecsElapsed() / 1e9 - (respuesta > 0 ? respuesta : 0);
        if (MensajesContados::cuadros > 0) return Fallar(QStringLiteral("apareció un cuadro de mensaje"));
        std::printf("%.3f %.3f %lld %s|%s\n", hasta, respuesta, static_cast<long long>(FilasGuardadas()),
                    qPrintable(v->cmdImportar->text()), qPrintable(v->lblResumen->text()));
        std::fflush(stdout);
    }
    return 0;
}

int Generar(const QString& clase, qint64 filas, const QString& ruta, quint64 semilla) {
    QString falla;
    if (clase == "csv")
        falla = GenerarCsvImportar(ruta, filas, semilla);
    else if (clase == "xlsx")
        falla = GenerarXlsxImportar(ruta, filas, semilla);
    else if (clase == "dbf")
        falla = GenerarDbfImportar(ruta, filas, semilla);
    else if (clase == "db")
        falla = GenerarDbImportar(ruta, filas, semilla);
    else
        falla = QStringLiteral("clase desconocida: ") + clase;
    return falla.isEmpty() ? 0 : Fallar(falla);
}

int CtrlFin(const QString& cadena, const QString& numero, int veces) {
    auto v = AbrirVentana(cadena, {});
    if (!v) return Fallar(QStringLiteral("la ventana no se mostró"));
    v->SSTab1->setCurrentIndex(1);
    QCoreApplication::processEvents();
    int filas = 0;
    if (ClicEnTransmision(*v, numero, filas) < 0)
        return Fallar(QStringLiteral("la transmisión %1 no está en la lista o no mostró filas").arg(numero));
    QTableView* g = v->MSFlexGrid3;
    g->setFocus();
    double peor = 0;
    int alcanzada = 0;
    for (int i = 0; i < veces; ++i) {
        g->setCurrentIndex(g->model()->index(1, 2));
        QCoreApplication::processEvents();
        QElapsedTimer reloj;
        reloj.start();
        QTest::keyClick(g, Qt::Key_End, Qt::ControlModifier);
        g->viewport()->repaint();  // las filas del final leídas y pintadas
        peor = std::max(peor, reloj.nsecsElapsed() / 1e9);
        alcanzada = g->currentIndex().row();
    }
    if (MensajesContados::cuadros > 0) return Fallar(QStringLiteral("un cuadro de mensaje al consultar"));
    rusage uso{};
    getrusage(RUSAGE_SELF, &uso);
    std::printf("%.4f %d %d %.0f\n", peor, alcanzada, g->model()->rowCount(), uso.ru_maxrss / 1024.0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // La ventana se anota con el nombre del programa de ventanas, como la de verdad.
    QApplication::setApplicationName(QStringLiteral("garantias"));
    InstalarServicioMensajes(std::make_unique<MensajesContados>());
    const QStringList a = QApplication::arguments();
    if (a.size() == 6 && a[1] == "generar") return Generar(a[2], a[3].toLongLong(), a[4], a[5].toULongLong());
    if (a.size() == 5 && a[1] == "ventana") return ImportarConLaVentana(a[2], a[3], a[4]);
    if (a.size() >= 5 && a[1] == "consultar") return Consultar(a[2], a.mid(3));
    if (a.size() == 5 && a[1] == "fin") return CtrlFin(a[2], a[3], a[4].toInt());
    if (a.size() >= 6 && a[1] == "detener") return Detener(a[2], a[3], a[4], a.mid(5));
    std::fprintf(
        stderr,
        "uso: bench_importar generar csv|xlsx|dbf|db FILAS RUTA SEMILLA | ventana RUTA TABLA CADENA | "
        "consultar CADENA NRO NRO... | fin CADENA NRO VECES | detener RUTA TABLA CADENA SEGUNDOS...\n");
    return 2;
}
