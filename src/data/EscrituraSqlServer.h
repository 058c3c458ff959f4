#pragma once
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "data/EscrituraFilaPorFila.h"

// SQL Server: las filas viajan de a muchas por sentencia (un lote), una ida y vuelta por lote en
// vez de una por fila, con el mismo resultado que una sentencia por fila (una serie repetida
// dentro del lote se agrega una vez y la repetición cuenta como ya guardada). Un lote es una sola
// transacción: o queda entero o no queda nada. Si el servidor rechaza la sentencia del lote
// misma, ese lote se repite fila por fila y el resto de la corrida sigue así (se avisa una vez).
class EscrituraSqlServer : public EscrituraFilaPorFila {
  public:
    // Filas por sentencia de lote: 4 valores por fila y 2 más, dentro de los 2.100 parámetros
    // que SQL Server admite por sentencia (y de las 1.000 filas de un VALUES).
    static constexpr int kFilasPorLote = 500;

    // Lo que el lote manda a la base. Los "?" del texto son, en orden: el número de transmisión,
    // cuántas filas trae el lote, y modelo, serie, eca1 y activación de cada una de las
    // kFilasPorLote filas (las que faltan van nulas y no se miran).
    struct FormaLote {
        QStringList antes;      // se corren una vez, antes del primer lote (si una falla: sin lotes)
        QString texto;          // el lote
        QString leerAgregadas;  // vacío: el lote mismo devuelve los números de las filas agregadas
    };
    static FormaLote FormaSqlServer();
    // El texto exacto de un lote de n filas que recibe SQL Server.
    static QString TextoLoteSqlServer(int filas = kFilasPorLote);

    EscrituraSqlServer(Conexion& conexion, Transmision transmision, AlResultado alResultado,
                       AlAviso alAviso = {}, Modo modo = ModoConfigurado(),
                       const FormaLote& forma = FormaSqlServer());

    void agregar(int64_t indice, FilaGarantia fila) override;
    void vaciar() override;
    bool enLotes() const override { return lotes_; }
    bool diferida() const override { return lotes_; }

  private:
    bool mandarLote();

    AlAviso alAviso_;
    bool lotes_ = false;
    bool forzado_ = false;
    std::unique_ptr<SentenciaPreparada> lote_;
    std::unique_ptr<SentenciaPreparada> leerLote_;
    std::vector<Pendiente> pendientes_;
};
