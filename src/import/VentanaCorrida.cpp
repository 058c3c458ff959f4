// La corrida de importación.
#include <deque>
#include <limits>
#include <map>

#include "ado/HuellaArchivo.h"
#include "ado/Valores.h"
#include "data/EscrituraGarantias.h"
#include "data/SeriesGuardadas.h"
#include "import/ExamenOrigen.h"
#include "import/GrupoTransmision.h"
#include "import/OrdenCampos.h"
#include "import/SerieDeFila.h"
#include "import/VentanaImportacion.h"
#include "platform/Conversiones.h"
#include "platform/Mensajes.h"
#include "platform/Proceso.h"
#include "platform/Regional.h"
#include "suite/AvisoError.h"
#include "suite/Componentes.h"
#include "suite/FechaServidor.h"
#include "suite/Sesion.h"

void VentanaImportacion::cmdImportar_Click() {
    Ocupacion ocupacion(m_);
    if (!ocupacion.libre()) return;
    QString nombre, sentencia;
    resumen_ = ResumenImportacion{};
    resumen_.prueba = prueba_;
    rechazos_.limpiar();
    Rutina click([this](const ErrorEjecucion& e) { return trampa(e); });
    click
        .paso([&] {
            if (!NombreDeTabla(nombre)) click.terminar();
        })
        .paso([&] { sentencia = SentenciaDeLectura(nombre); })
        .paso([&] { ConectarProveedor(true); })
        .paso([&] {
            // Una pasada por el archivo entero antes de tomar la transmisión: uno mal formado no
            // deja ni la transmisión ni una fila.
            if (const auto falla = ExaminarOrigenEntero(origen_, sentencia)) {
                m_.setLblEstado(*falla);
                MsgBox(*falla, Botones::Aceptar | Botones::IconoCritico, QStringLiteral("Aviso"));
                click.abandonar();
            }
        })
        .paso([&] { ImportarFilas(sentencia, click); })
        .paso([&] { origen_.Close(); })
        .paso([&] {
            resumen_.terminada = true;
            m_.setLblEstado(prueba_ ? QStringLiteral("Prueba finalizada")
                                    : QStringLiteral("Importación finalizada"));
        });
    if (!click.correr() && Detencion::Pedida()) {
        resumen_.detenida = true;
        m_.setLblEstado(prueba_ ? QStringLiteral("Prueba detenida") : QStringLiteral("Importación detenida"));
        CerrarOrigenDetenido();
    }
}

void VentanaImportacion::CerrarOrigenDetenido() {
    // La lectura quedó a medias: el origen se cierra ya, sin esperar a la próxima operación.
    try {
        if (rsOrigen_ && rsOrigen_->abierto()) rsOrigen_->Close();
    } catch (const ErrorEjecucion&) {
    }
    try {
        if (origen_.abierta()) origen_.Close();
    } catch (const ErrorEjecucion&) {
    }
}

void VentanaImportacion::ImportarFilas(const QString& sentencia, Rutina& click) {
    Dll_Datos& datos = Componentes::Datos();
    Conexion& suite = datos.conexion();
    bool hayFilas = false;
    bool dejar = false;
    std::unique_ptr<EscrituraGarantias> escritura;
    std::unique_ptr<PruebaSeries> prueba;  // sólo en una prueba: decide sin escribir
    qint64 numeroFila = 0;                 // la fila de datos del origen, desde 1
    GrupoTransmision grupo(datos, sesion().Usuario);
    // En lotes (SQL Server) o en tandas (la base embebida), lo que pasó con una fila se sabe después
    // de leer otras: sus campos se guardan hasta entonces, en el orden en que se leyeron (el de los
    // resultados), y los rechazos esperan para quedar en el orden del archivo.
    std::deque<std::pair<qint64, Rechazo>> enEspera;
    std::map<qint64, Rechazo> listos;
    auto soltarRechazos = [&] {
        const qint64 limite = enEspera.empty() ? std::numeric_limits<qint64>::max() : enEspera.front().first;
        while (!listos.empty() && listos.begin()->first < limite) {
            rechazos_.agregar(std::move(listos.begin()->second));
            listos.erase(listos.begin());
        }
    };
    auto rechazar = [&](Rechazo r) {
        const qint64 n = r.fila;
        listos.emplace(n, std::move(r));
        soltarRechazos();
    };
    QString falla;  // la descripción de la fila que falló
    auto alResultado = [&](const ResultadoFila& r) {
        Rechazo rechazo;
        auto it = enEspera.begin();  // casi siempre la primera: los resultados llegan en orden
        while (it != enEspera.end() && it->first != r.indice) ++it;
        if (it != enEspera.end()) {
            rechazo = std::move(it->second);
            if (it == enEspera.begin())
                enEspera.pop_front();
            else
                enEspera.erase(it);
        } else if (r.destino != ResultadoFila::Agregada) {
            rechazo = RechazoDeFila(*rsOrigen_, r.indice, MotivoRechazo::SerieGuardada);  // la fila actual
        }
        switch (r.destino) {
            case ResultadoFila::Agregada:
                break;
            case ResultadoFila::YaGuardada:
                ++resumen_.yaGuardadas;
                rechazar(std::move(rechazo));
                break;
            case ResultadoFila::Fallo:
                falla = r.descripcion;
                rechazo.motivo = MotivoRechazo::Fallo;
                rechazo.detalle = r.descripcion;
                rechazar(std::move(rechazo));
                return;
        }
        // Con resultados diferidos el grupo se cierra entre tandas, no en medio de lo que se dice.
        grupo.contar(r.destino == ResultadoFila::Agregada, !escritura->diferida());
        soltarRechazos();
    };
    const EscrituraGarantias::Transmision transmision{
        [&]() -> std::optional<int32_t> {
            if (!grupo.asegurar()) return std::nullopt;
            return grupo.numero();
        },
        [&] { grupo.confirmar(); }, [&] { return grupo.largo(); }, [&] { grupo.deshecho(); }};
    std::optional<int> avisoFin;
    struct QuitarAviso {
        std::optional<int>& id;
        ~QuitarAviso() {
            if (id) Proceso::QuitarAvisoAlTerminar(*id);
        }
    } quitarAviso{avisoFin};
    // La fila (o el lote) que falló, o el registro de la transmisión rechazado: lo anterior queda.
    bool escrituraFallo = false;
    auto avisarFalla = [&] {
        escrituraFallo = true;
        if (escritura->sinNumero()) {
            // La primera fila que esperaba el número queda como fallida, con el motivo.
            Rechazo r{numeroFila, {}, MotivoRechazo::Fallo, grupo.rechazo()};
            if (!enEspera.empty()) {
                r = std::move(enEspera.front().second);
            } else {
                try {
                    r = RechazoDeFila(*rsOrigen_, numeroFila, MotivoRechazo::Fallo);
                } catch (const ErrorEjecucion&) {
                }
            }
            r.motivo = MotivoRechazo::Fallo;
            r.detalle = grupo.rechazo();
            enEspera.clear();
            rechazar(std::move(r));
        }
        enEspera.clear();  // las filas pendientes después de la que falló no se intentaron
        soltarRechazos();
        if (escritura->sinNumero()) {
            MsgBox(grupo.rechazo(), Botones::Aceptar | Botones::IconoInformacion, QStringLiteral("Aviso"));
        } else {
            grupo.confirmar();
            m_.setLblEstado(falla);
            MsgBox(falla, Botones::Aceptar | Botones::IconoCritico, QStringLiteral("Aviso"));
        }
        dejar = true;
    };
    qint64 hechas = 0;
    std::optional<qint64> total;

    // Antes de cualquier pregunta al operador, lo leído queda escrito y confirmado (una fila que
    // falla al escribirse se dice después, como siempre).
    auto trampaFilas = [&](const ErrorEjecucion& e) {
        try {
            if (escritura && !escrituraFallo) escritura->vaciar();
            grupo.confirmar();
        } catch (const ErrorEjecucion&) {
        }
        // Un origen que cambió en medio: el operador sabe además qué quedó guardado.
        if (e.numero() == kOrigenCambiado) {
            return trampa(ErrorEjecucion(
                e.numero(),
                e.descripcion() +
                    QStringLiteral(" Quedaron guardadas las %1 filas agregadas antes del cambio.")
                        .arg(grupo.filasGuardadas()),
                e.origen()));
        }
        return trampa(e);
    };
    Rutina r(trampaFilas);
    r.paso([&] { rsOrigen_ = origen_.abrirRecordset(sentencia); })
        .paso([&] {
            hayFilas = !rsOrigen_->EOF_();
            total = rsOrigen_->total();
            rechazos_.limpiar(NombresCampos(*rsOrigen_));
            resumen_.avisoCampos = AvisoOrdenCampos(rechazos_.nombresCampos());
            datos.reabrirSiHaceFalta();
            if (prueba_)
                prueba = std::make_unique<PruebaSeries>(datos);
            else
                escritura = EscrituraGarantias::Crear(suite, transmision, alResultado, AnotarAviso);
            // El grupo cuenta las filas de la tanda en curso antes de confirmarse.
            grupo.antesDeConfirmar([&] {
                if (escritura) escritura->sincronizar();
            });
            // Si el programa termina en medio ("Salir", una señal), el lote pendiente se manda antes.
            avisoFin = Proceso::AlTerminar([&] {
                if (escritura && !escrituraFallo) escritura->vaciar();
            });
        })
        .paso([&] {
            if (!hayFilas) return;
            // Una fila del origen. Cada sentencia es su propio paso: "Omitir" salta sólo la que
            // falló y el ciclo sigue con la siguiente, o termina.
            QString serie;
            bool vacia = false;
            bool decidida = false;  // la fila ya se agregó o ya está anotada como no agregada
            bool fin = false;
            std::size_t pasoSiguiente = 0;
            auto anotar = [&](MotivoRechazo motivo, const QString& detalle = {}) {
                if (decidida) return;
                decidida = true;
                Rechazo rechazo{numeroFila, {}, motivo, detalle};
                try {
                    rechazo = RechazoDeFila(*rsOrigen_, numeroFila, motivo, detalle);
                } catch (const ErrorEjecucion&) {  // la fila ya no se puede leer: sin sus campos
                }
                rechazar(std::move(rechazo));
            };
            // Una falla que deja la fila sin agregar (saltada, o la corrida detenida) la anota.
            Rutina fila([&](const ErrorEjecucion& e) {
                const Respuesta respuesta = trampaFilas(e);
                if (respuesta != Respuesta::Repetir) anotar(MotivoRechazo::Fallo, e.descripcion());
                return respuesta;
            });
            fila.paso([&] {
                    serie.clear();
                    decidida = false;
                    ++numeroFila;
                })
                .paso([&] { serie = SerieDeFila(rsOrigen_->Field(1), numeroFila); })
                .paso([&] {
                    if (decidida)
                        fila.irA(pasoSiguiente);  // la serie no se pudo leer: la fila ya está anotada
                })
                .paso([&] { vacia = serie.trimmed().isEmpty(); })
                .paso([&] {
                    if (!vacia) return;
                    ++resumen_.sinSerie;
                    anotar(MotivoRechazo::SinSerie);
                })
                .paso([&] {
                    if (vacia) fila.irA(pasoSiguiente);  // la fila sin serie no llega a la base
                })
                .paso([&] { m_.setLblEstado(QStringLiteral("Importando ") + serie); })
                .paso([&] {
                    if (decidida) return;
                    // Los campos se leen también en una prueba: un origen al que le falta el
                    // campo 4 falla igual que al importar.
                    FilaGarantia f{TextoValor(rsOrigen_->Field(2)), serie, TextoValor(rsOrigen_->Field(0)),
                                   TextoValor(rsOrigen_->Field(4))};
                    if (prueba) {
                        if (prueba->agregaria(serie)) {
                            ++resumen_.insertadas;
                            decidida = true;
                        } else {
                            ++resumen_.yaGuardadas;
                            anotar(MotivoRechazo::SerieGuardada);
                        }
                        return;
                    }
                    if (escritura->diferida())
                        enEspera.emplace_back(
                            numeroFila, RechazoDeFila(*rsOrigen_, numeroFila, MotivoRechazo::SerieGuardada));
                    decidida = true;  // lo que pase con ella lo dice la escritura
                    if (!escritura->agregar(numeroFila, std::move(f))) {
                        avisarFalla();
                        fila.terminar();
                    }
                });
            pasoSiguiente = fila.cantidad();
            fila.paso([&] { m_.setProgreso(++hechas, total.value_or(-1)); })
                .paso([&] { Proceso::BombearEventosDelBucle(); })
                .paso([&] { rsOrigen_->MoveNext(); })
                .paso([&] {
                    // Si la condición misma falla y se salta, el ciclo termina, como en la rutina original.
                    fin = true;
                    fin = rsOrigen_->EOF_();
                });
            while (!fin && !dejar) {
                if (!fila.correr()) {
                    dejar = true;
                    click.abandonar();
                }
            }
            // Las filas del último lote; también si la corrida se deja por otra causa: las filas
            // leídas antes quedan, como quedarían de a una.
            if (escritura && !escrituraFallo && !escritura->vaciar()) avisarFalla();
            grupo.confirmar();
            if (dejar) r.abandonar();
        })
        .paso([&] {
            rsOrigen_->Close();
            prueba.reset();  // la tabla de la prueba se borra al terminar
        });
    const bool bien = r.correr();
    try {
        grupo.confirmar();
    } catch (const ErrorEjecucion&) {
    }
    if (!prueba_) {
        resumen_.transmision = grupo.guardada();
        resumen_.insertadas = grupo.filasGuardadas();
    }
    if (!bien) click.abandonar();
}
