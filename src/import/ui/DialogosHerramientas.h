#pragma once
#include <QDialog>
#include <functional>
#include <optional>

#include "import/ArchivoCsv.h"
#include "import/HerramientasConsulta.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

// Dónde guardar un csv y en qué letra; nada si el operador canceló.
struct DestinoCsv {
    QString ruta;
    ArchivoCsv::Codificacion codificacion = ArchivoCsv::Codificacion::Windows1252;
};
using ElegirDestinoCsv =
    std::function<std::optional<DestinoCsv>(QWidget* padre, const QString& titulo, const QString& nombre)>;
// El diálogo de Qt: "csv para planilla (Windows-1252)" o "csv UTF-8".
std::optional<DestinoCsv> ElegirDestinoQt(QWidget* padre, const QString& titulo, const QString& nombre);

// "Buscar serie": una o muchas series escritas o pegadas; la respuesta lista cada una como
// encontrada (transmisión, fecha, usuario) o no. Elegir una encontrada (doble clic o "Ver filas")
// llama a mostrar con su transmisión y la serie como está guardada.
class DialogoBuscarSerie : public QDialog {
    Q_OBJECT
  public:
    DialogoBuscarSerie(std::function<void(int32_t, const QString&)> mostrar, QWidget* padre);

    void buscar();
    void verFilas();

    QPlainTextEdit* series;
    QPushButton* cmdBuscar;
    QPushButton* cmdVerFilas;
    QTableWidget* respuesta;
    QLabel* lblEstado;

  private:
    std::function<void(int32_t, const QString&)> mostrar_;
    std::vector<SerieEncontrada> lista_;
};

// "Ver filas no agregadas": la lista de la última corrida (fila, serie, motivo), sólo para leer,
// y "Guardar como csv…" con todos sus campos.
class DialogoFilasNoAgregadas : public QDialog {
    Q_OBJECT
  public:
    // rechazos: prestado, vive más que el diálogo.
    DialogoFilasNoAgregadas(const Rechazos& rechazos, ElegirDestinoCsv elegir, QWidget* padre);

    void guardar();

    static constexpr qsizetype kTope = 20000;  // filas que muestra la lista; el csv lleva todas

    QTableWidget* lista;
    QLabel* lblCantidad;
    QPushButton* cmdGuardar;

  private:
    const Rechazos& rechazos_;
    ElegirDestinoCsv elegir_;
};
