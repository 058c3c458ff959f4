#include "import/CorridaImportacion.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <limits>

#include "ado/Conexion.h"
#include "ado/HuellaArchivo.h"
#include "ado/Valores.h"
#include "data/CuentaTransmision.h"
#include "data/Dll_Datos.h"
#include "data/EscrituraGarantias.h"
#include "data/SeriesGuardadas.h"
#include "import/GrupoTransmision.h"
#include "import/LoGuardado.h"
#include "import/OrdenCampos.h"
#include "import/SerieDeFila.h"
#include "import/TrampaOrigen.h"
#include "platform/Detencion.h"
#include "platform/Frases.h"
#include "platform/Mensajes.h"
#include "platform/Proceso.h"
#include "platform/Senales.h"
#include "suite/AvisoError.h"

CorridaImportacion::CorridaImportacion(Conexion& origen, Dll_Datos& datos, QString usuario,
                                       OyenteCorrida& oyente)
    : origen_(origen), datos_(datos), usuario_(std::move(usuario)), oyente_(oyente) {}

CorridaImportacion::~CorridaImportacion() {
    soltarEscritura();
    if (avisoGuardado_) Proceso::QuitarAvisoAlTerminar(*avisoGuardado_);
}

void CorridaImportacion::soltarEscritura() {
    // En este orden: el aviso al terminar el proceso ya no manda nada; el grupo cuenta lo que
    // escribió la tanda en curso antes de cerrarse; después se suelta la escritura (su hilo).
    if (avisoFin_) Proceso::QuitarAvisoAlTerminar(*avisoFin_);
    avisoFin_.reset();
    grupo_.reset();
    prueba_.reset();
    escritura_.reset();
}

ResumenImportacion CorridaImportacion::correr(const ArchivoOrigen& archivo, const OpcionesCorrida& opciones) {
    archivo_ = archivo;
    opciones_ = opciones;
    resumen_ = ResumenImportacion{};
    resumen_.prueba = opciones.prueba;
    // Hasta tomar número, una señal termina en el acto: no hay nada que conservar.
    if (!opciones_.prueba) Senales::FijarDespedida(QStringLiteral("No quedó nada guardado."));
    Rutina corrida([this](const ErrorEjecucion& e) { return trampa(e); });
    // La huella del archivo empieza a calcularse ya, a la par del examen.
    corrida.paso([&] { diario_ = std::make_unique<DiarioDeCorrida>(datos_, archivo_, usuario_); })
        .paso([&] { examinarOrigen(corrida); })
        .paso([&] { preguntarRepetido(corrida); })
        .paso([&] { rs_ = origen_.abrirTabla(archivo_.tablaALeer()); })
        .paso([&] { decidirCampos(corrida); })
        .paso([&] {
            if (opciones_.prueba) return;
            diario_->empezar();
            avisarLoGuardadoAlTerminar();
        })
        .paso([&] { ImportarFilas(corrida); })
        .paso([&] { origen_.Close(); })
        .paso([&] {
            resumen_.terminada = true;
            oyente_.estado(opciones_.prueba ? QStringLiteral("Prueba finalizada")
                                            : QStringLiteral("Importación finalizada"));
        });
    if (!corrida.correr() && Detencion::Pedida()) {
        resumen_.detenida = true;
        oyente_.estado(opciones_.prueba ? QStringLiteral("Prueba detenida")
                                        : QStringLiteral("Importación detenida"));
        CerrarOrigenDetenido(rs_.get(), origen_);
    }
    terminarCorrida();
    return resumen_;
}

void CorridaImportacion::terminarCorrida() {
    if (!opciones_.prueba) {
        // La frase queda lista para una señal antes de soltar los avisos al terminar: en ningún
        // momento una señal dice otra cosa que lo que está en la base.
        resumen_.guardado = loGuardadoAhora();
        Senales::FijarDespedida(resumen_.guardado + u'.');
    }
    cerrarDiario();
    if (avisoGuardado_) Proceso::QuitarAvisoAlTerminar(*avisoGuardado_);
    avisoGuardado_.reset();
    // Una señal que llegó durante el último grupo, cuando ya no hay otro punto seguro.
    Senales::AtenderPendiente();
}

void CorridaImportacion::cuentasDelGrupo() {
    // Una prueba no tiene grupo que guarde: sus cuentas son las que lleva ella.
    if (!grupo_ || opciones_.prueba) return;
    resumen_.transmision = grupo_->guardada();
    resumen_.insertadas = grupo_->filasGuardadas();
    sinConfirmar_ = grupo_->sinConfirmar();
}

QString CorridaImportacion::loGuardadoAhora() {
    cuentasDelGrupo();
    // Una transmisión cuyo COMMIT no tuvo respuesta pudo quedar: la base lo dice.
    const int32_t tomada = resumen_.transmision != 0 ? resumen_.transmision : sinConfirmar_;
    return LoGuardado(datos_, tomada, resumen_.insertadas);
}

void CorridaImportacion::avisarLoGuardadoAlTerminar() {
    // Se anota antes que el grupo: los avisos corren del último al primero, así éste habla
    // después de que el grupo abierto se confirmó.
    avisoGuardado_ = Proceso::AlTerminar([this] {
        const QString programa =
            QCoreApplication::instance() ? QCoreApplication::applicationName() : QStringLiteral("garantias");
        const QByteArray texto = (programa + QStringLiteral(": la importación no terminó. ") +
                                  loGuardadoAhora() + QStringLiteral(".\n"))
                                     .toUtf8();
        std::fwrite(texto.constData(), 1, static_cast<size_t>(texto.size()), stderr);
        std::fflush(stderr);
    });
}

void CorridaImportacion::preguntarRepetido(Rutina& corrida) {
    // Los mismos bytes ya agregaron filas: se pregunta antes de tomar un número.
    resumen_.repetido = diario_->avisoRepetido();
    if (resumen_.repetido.isEmpty() || opciones_.prueba) return;
    const bool otraVez =
        opciones_.repetir
            ? *opciones_.repetir
            : MsgBox(resumen_.repetido, Botones::SiNo | Botones::IconoPregunta | Botones::SegundoPorDefecto,
                     QStringLiteral("Aviso")) == RespuestaMensaje::Si;
    if (otraVez) return;
    resumen_.noRepetida = true;
    oyente_.estado(QStringLiteral("Importación cancelada: el archivo ya se había importado"));
    corrida.terminar();
}

void CorridaImportacion::decidirCampos(Rutina& corrida) {
    const QStringList nombres = NombresCampos(*rs_);
    const QString aviso = AvisoOrdenCampos(nombres);
    if (aviso.isEmpty()) return;
    const ColumnasCampos porNombre = ColumnasPorNombre(nombres);
    resumen_.columnasPorNombre = TextoColumnas(porNombre, nombres);
    TomaDeCampos toma = opciones_.campos;
    if (toma == TomaDeCampos::Preguntar) {
        const int respuesta =
            MsgBox(QStringLiteral("En \"%1\", %2\n\n"
                                  "Sí: tomar los campos por sus títulos (%3).\n"
                                  "No: tomarlos por posición (eca1, serie, modelo, -, activación).\n"
                                  "Cancelar: no seguir; no se escribe nada.")
                       .arg(archivo_.ruta, aviso, resumen_.columnasPorNombre),
                   Botones::SiNoCancelar | Botones::IconoPregunta | Botones::TercerPorDefecto,
                   QStringLiteral("Aviso"));
        toma = respuesta == RespuestaMensaje::Si   ? TomaDeCampos::PorNombre
               : respuesta == RespuestaMensaje::No ? TomaDeCampos::PorPosicion
                                                   : TomaDeCampos::NoImportar;
    }
    switch (toma) {
        case TomaDeCampos::PorNombre:
            columnas_ = porNombre;
            resumen_.avisoCampos =
                QStringLiteral("los campos se toman por sus títulos: ") + resumen_.columnasPorNombre + u'.';
            oyente_.estado(QStringLiteral("Por sus títulos: ") + resumen_.columnasPorNombre);
            return;
        case TomaDeCampos::PorPosicion:
            resumen_.avisoCampos = aviso;
            return;
        default:
            resumen_.avisoCampos = aviso;
            resumen_.ordenSinDecidir = true;
            oyente_.estado(opciones_.prueba
                               ? QStringLiteral("Prueba cancelada: los títulos parecen de otro orden")
                               : QStringLiteral("Importación cancelada: los títulos parecen de otro orden"));
            rs_->Close();
            corrida.terminar();
    }
}

const QVariant& CorridaImportacion::campo(int columna) const {
    static const QVariant kVacio;
    return columna < 0 ? kVacio : rs_->Field(columna);
}

DiarioDeCorrida::Cuentas CorridaImportacion::cuentasDiario() {
    cuentasDelGrupo();
    // El diario tiene una sola cuenta para las series que no se agregaron por estar ya: las que
    // guardaba la base y las que trajo antes el mismo archivo.
    DiarioDeCorrida::Cuentas cuentas{resumen_.transmision, resumen_.leidas,
                                     resumen_.insertadas,  resumen_.yaGuardadas + resumen_.repetidasEnArchivo,
                                     resumen_.sinSerie,    fallidas_};
    if (sinConfirmarFilas_ == 0) return cuentas;
    // Filas que el servidor no confirmó (un COMMIT sin respuesta, un enlace cortado después de
    // mandarlas): la base dice si quedaron. Las que agregó la sentencia sin confirmar son las que
    // la base tiene de más; si tiene alguna, esa sentencia se aplicó entera y sus otras filas ya
    // estaban guardadas.
    const int32_t tomada = resumen_.transmision != 0 ? resumen_.transmision : sinConfirmar_;
    if (tomada == 0) return cuentas;
    int64_t enLaBase = 0;
    try {
        enLaBase = FilasDeTransmision(datos_, tomada);
    } catch (const ErrorEjecucion&) {
        return cuentas;  // sin la base no se sabe: quedan como fallidas
    }
    const int64_t deMas = enLaBase - resumen_.insertadas;
    if (deMas <= 0) return cuentas;
    cuentas.transmision = tomada;
    cuentas.agregadas = enLaBase;
    cuentas.fallidas -= sinConfirmarFilas_;
    cuentas.yaGuardadas += std::max<int64_t>(0, sinConfirmarFilas_ - deMas);
    return cuentas;
}

void CorridaImportacion::cerrarDiario() {
    if (!diario_) return;
    // Una prueba no deja nada en la base, tampoco en el diario.
    if (opciones_.prueba) {
        diario_.reset();
        return;
    }
    // No importar un archivo repetido, o uno cuyos títulos están en otro orden, lo decidió el
    // operador: la corrida se detuvo, no falló.
    const bool porElOperador = resumen_.detenida || resumen_.noRepetida || resumen_.ordenSinDecidir;
    diario_->terminar(resumen_.terminada ? ResultadoCorrida::kCompleta
                      : porElOperador    ? ResultadoCorrida::kDetenida
                                         : ResultadoCorrida::kFallida,
                      cuentasDiario());
    diario_.reset();
}

Respuesta CorridaImportacion::trampa(const ErrorEjecucion& error) { return TrampaOrigen(origen_, error); }

void CorridaImportacion::examinarOrigen(Rutina& corrida) {
    // Una pasada por el archivo entero antes de tomar la transmisión (ver Proveedor::examinarTabla):
    // lo que decide vale para toda la lectura, y uno mal formado no deja ni la transmisión ni una
    // fila. Con la conexión cerrada no hay nada que examinar: la lectura dará su propia falla.
    if (!origen_.abierta()) return;
    try {
        origen_.examinarTabla(archivo_.tablaALeer());
    } catch (const ErrorEjecucion& e) {
        // No va a la trampa: repetir no arregla el archivo, y saltar el examen dejaría leer a
        // medias uno mal formado. Se dice y la corrida termina sin escribir nada.
        oyente_.estado(e.descripcion());
        MsgBox(e.descripcion(), Botones::Aceptar | Botones::IconoCritico, QStringLiteral("Aviso"));
        corrida.abandonar();
    }
}

// ---- Las filas ----

void CorridaImportacion::ImportarFilas(Rutina& corrida) {
    grupo_ = std::make_unique<GrupoTransmision>(datos_, usuario_);
    if (!opciones_.prueba) {
        // El diario, al día después de cada grupo confirmado (y si el proceso termina en medio).
        // Y la despedida de una señal: una segunda, que termina en el acto, dice lo que ya quedó
        // confirmado, no lo que había al empezar.
        grupo_->despuesDeConfirmar([this] {
            diario_->poner(cuentasDiario());  // también toma las cuentas del grupo
            Senales::FijarDespedida(FraseGuardado(resumen_.transmision, resumen_.insertadas) + u'.');
        });
        diario_->fuenteDeCuentas([this] { return cuentasDiario(); });
    }
    Rutina r([this](const ErrorEjecucion& e) { return trampaFilas(e); });
    r.paso([&] {
         // Abierta ya para leer sus títulos; se vuelve a abrir si la trampa cerró el origen.
         if (!rs_ || !rs_->abierto()) rs_ = origen_.abrirTabla(archivo_.tablaALeer());
     })
        .paso([&] { prepararEscritura(); })
        .paso([&] {
            if (!hayFilas_) return;
            leerFilas(r);
        })
        .paso([&] {
            rs_->Close();
            prueba_.reset();  // la tabla de la prueba se borra al terminar
        });
    const bool bien = r.correr();
    try {
        grupo_->confirmar();
    } catch (const ErrorEjecucion&) {
    }
    cuentasDelGrupo();
    if (!opciones_.prueba) diario_->fuenteDeCuentas(nullptr);  // el grupo termina aquí
    soltarEscritura();
    if (!bien) corrida.abandonar();
}

void CorridaImportacion::prepararEscritura() {
    hayFilas_ = !rs_->EOF_();
    total_ = rs_->total();
    totalAnunciado_ = total_.has_value();
    // Un total que miente (una cabecera dañada) no reserva más que lugar para 8 millones de series,
    // que sólo ocupa memoria donde se escribe; más allá se crece sola.
    if (total_) series_.reservar(std::min<qint64>(*total_, qint64{1} << 23));
    const QStringList nombres = NombresCampos(*rs_);
    oyente_.campos(nombres);
    datos_.reabrirSiHaceFalta();
    if (opciones_.prueba) {
        prueba_ =
            std::make_unique<PruebaSeries>(datos_, [this](qint64 fila, const QString& serie, bool guardada) {
                alResponderPrueba(fila, serie, guardada);
            });
    } else {
        GrupoTransmision& grupo = *grupo_;
        const EscrituraGarantias::Transmision transmision{
            [&grupo] { return grupo.asegurar(); }, [&grupo] { grupo.confirmar(); },
            [&grupo] { return grupo.largo(); }, [&grupo] { grupo.deshecho(); },
            [&grupo] { grupo.confirmarSentencia(); }};
        escritura_ = EscrituraGarantias::Crear(
            datos_.conexion(), transmision, [this](const ResultadoFila& r) { alResultado(r); }, AnotarAviso);
    }
    // El grupo cuenta las filas de la tanda en curso antes de confirmarse.
    grupo_->antesDeConfirmar([this] {
        if (escritura_) escritura_->sincronizar();
    });
    // Si el programa termina en medio ("Salir", una señal), el lote pendiente se manda antes.
    avisoFin_ = Proceso::AlTerminar([this] {
        if (escritura_ && !escrituraFallo_) escritura_->vaciar();
    });
}

void CorridaImportacion::leerFilas(Rutina& filas) {
    // Una fila del origen. Cada sentencia es su propio paso: "Omitir" salta sólo la que falló y
    // el ciclo sigue con la siguiente, o termina.
    Rutina fila([this](const ErrorEjecucion& e) {
        const Respuesta respuesta = trampaFilas(e);
        // Una falla que deja la fila sin agregar (saltada, o la corrida detenida) la anota.
        if (respuesta != Respuesta::Repetir) anotar(MotivoRechazo::Fallo, e.descripcion());
        return respuesta;
    });
    armarPasosDeFila(fila);
    // Se vuelve a entrar aquí si el operador pide repetir una falla del final (confirmar el último
    // grupo, las últimas respuestas de la prueba): con el origen ya agotado no hay otra fila.
    finFilas_ = !rs_->abierto() || rs_->EOF_();
    while (!finFilas_ && !dejar_) {
        if (!fila.correr()) dejar_ = true;
    }
    if (agotado_) cerrarAvance();
    terminarFilas();
    if (dejar_) filas.abandonar();
}

void CorridaImportacion::armarPasosDeFila(Rutina& fila) {
    fila.paso([this] {
            fila_ = FilaEnCurso{};
            resumen_.leidas = ++numeroFila_;
        })
        .paso([this] {
            fila_.serie = SerieDeFila(campo(columnas_.serie), numeroFila_, columnas_.serie);
            fila_.huella = series_.anticipar(fila_.serie);
        })
        .paso([this, &fila] {
            // La serie no se pudo leer: la fila ya está anotada.
            if (fila_.decidida) fila.irA(pasoSiguiente_);
        })
        .paso([this] { fila_.vacia = fila_.serie.trimmed().isEmpty(); })
        .paso([this] {
            if (!fila_.vacia) return;
            ++resumen_.sinSerie;
            anotar(MotivoRechazo::SinSerie);
        })
        .paso([this, &fila] {
            if (fila_.vacia) fila.irA(pasoSiguiente_);  // la fila sin serie no llega a la base
        })
        // Una prueba no importa: su línea dice que prueba.
        .paso([this] {
            oyente_.estado((opciones_.prueba ? QStringLiteral("Probando ") : QStringLiteral("Importando ")) +
                           fila_.serie);
        })
        .paso([this, &fila] { escribirFila(fila); });
    pasoSiguiente_ = fila.cantidad();
    fila.paso([this] { avanzar(); })
        .paso([] { Proceso::BombearEventosDelBucle(); })
        .paso([this] { rs_->MoveNext(); })
        .paso([this] {
            // Si la condición misma falla y se salta, el ciclo termina (sin haber agotado el origen).
            finFilas_ = true;
            finFilas_ = agotado_ = rs_->EOF_();
        });
}

void CorridaImportacion::avanzar() {
    ++hechas_;
    // El total de una hoja es la cota que declara el libro, y puede quedarse corta: pasada, el
    // total ya no se sabe y se cuentan sólo las filas hechas.
    if (total_ && hechas_ > *total_) total_.reset();
    oyente_.progreso(hechas_, total_.value_or(-1));
}

void CorridaImportacion::cerrarAvance() {
    // Agotado el origen, el total son las filas hechas: una cota de más (o una que se quedó
    // corta) no queda a la vista como "10 de 1.000 filas".
    if (totalAnunciado_ && total_ != hechas_) oyente_.progreso(hechas_, hechas_);
}

void CorridaImportacion::escribirFila(Rutina& fila) {
    if (fila_.decidida) return;
    // Los campos se leen también en una prueba: un origen al que le falta el campo 4 falla igual
    // que al importar.
    FilaGarantia f{TextoValor(campo(columnas_.modelo)), fila_.serie, TextoValor(campo(columnas_.eca1)),
                   TextoValor(campo(columnas_.activacion))};
    if (prueba_) {
        // Lo decide la respuesta de la base (alResponderPrueba); con una base de servidor llega
        // después de otras filas, y la fila espera con sus campos, como con la escritura en lotes.
        const bool diferida = prueba_->diferida();
        if (diferida) {
            enEspera_.agregar(numeroFila_, *rs_);
            fila_.decidida = true;
        }
        try {
            prueba_->pedir(numeroFila_, fila_.serie);
        } catch (const ErrorEjecucion& e) {
            if (diferida) pruebaSinRespuesta(e);
            throw;
        }
        fila_.decidida = true;
        return;
    }
    series_.llevada(fila_.huella, numeroFila_);
    if (escritura_->diferida()) enEspera_.agregar(numeroFila_, *rs_);
    fila_.decidida = true;  // lo que pase con ella lo dice la escritura
    escritura_->agregar(numeroFila_, std::move(f));
    if (escrituraFallo_) {
        avisarFalla();
        fila.terminar();
    }
}

void CorridaImportacion::terminarFilas() {
    // Las filas del último lote; también si la corrida se deja por otra causa: las filas leídas
    // antes quedan, como quedarían de a una.
    if (escritura_ && !escrituraFallo_) escritura_->vaciar();
    if (escrituraFallo_) avisarFalla();
    vaciarPrueba();
    grupo_->confirmar();
}

Respuesta CorridaImportacion::trampaFilas(const ErrorEjecucion& e) {
    // Antes de cualquier pregunta al operador, lo leído queda escrito y confirmado (una fila que
    // falla al escribirse se dice después, como siempre).
    try {
        if (escritura_ && !escrituraFallo_) escritura_->vaciar();
        vaciarPrueba();
        grupo_->confirmar();
    } catch (const ErrorEjecucion&) {
    }
    // Un origen que cambió en medio: el operador sabe además qué quedó guardado (una prueba no
    // guarda nada).
    if (e.numero() == kOrigenCambiado && !opciones_.prueba) {
        return trampa(ErrorEjecucion(e.numero(), Frases({e.descripcion(), loGuardadoAhora()}), e.origen()));
    }
    return trampa(e);
}

// ---- Lo que pasó con cada fila ----

void CorridaImportacion::anotar(MotivoRechazo motivo, const QString& detalle) {
    if (fila_.decidida) return;
    fila_.decidida = true;
    Rechazo rechazo{numeroFila_, {}, motivo, detalle};
    try {
        rechazo = RechazoDeFila(*rs_, numeroFila_, motivo, detalle);
    } catch (const ErrorEjecucion&) {  // la fila ya no se puede leer: sin sus campos
    }
    rechazar(std::move(rechazo));
}

void CorridaImportacion::rechazar(Rechazo rechazo) {
    if (rechazo.motivo == MotivoRechazo::Fallo || rechazo.motivo == MotivoRechazo::SinConfirmar) ++fallidas_;
    rechazo.columnaSerie = columnas_.serie;
    const qint64 n = rechazo.fila;
    listos_.emplace(n, std::move(rechazo));
    soltarRechazos();
}

void CorridaImportacion::soltarRechazos() {
    const qint64 limite = enEspera_.vacia() ? std::numeric_limits<qint64>::max() : enEspera_.primera();
    while (!listos_.empty() && listos_.begin()->first < limite) {
        oyente_.filaNoAgregada(std::move(listos_.begin()->second));
        listos_.erase(listos_.begin());
    }
}

Rechazo CorridaImportacion::sacarDeEspera(qint64 fila, bool oLaActual) {
    if (std::optional<Rechazo> rechazo = enEspera_.sacar(fila, oLaActual)) return std::move(*rechazo);
    if (!oLaActual) return {};
    return RechazoDeFila(*rs_, fila, MotivoRechazo::SerieGuardada);  // la fila actual
}

void CorridaImportacion::alResponderPrueba(qint64 fila, const QString& serie, bool guardada) {
    // Lo que haría la importación, en el orden del archivo: una serie que trajo antes otra fila se
    // salta como repetida; una que la base ya guarda, como guardada; las demás se agregarían.
    // La respuesta en el acto es de la fila actual, cuya huella ya se calculó al leerla.
    const quint64 huella = fila == numeroFila_ ? fila_.huella : SeriesDelArchivo::Huella(serie);
    const std::optional<qint64> primera = series_.primera(huella);
    if (!primera && !guardada) {
        series_.llevada(huella, fila);
        ++resumen_.insertadas;
        sacarDeEspera(fila, false);
        soltarRechazos();
        return;
    }
    Rechazo rechazo = sacarDeEspera(fila, true);
    if (primera) {
        ++resumen_.repetidasEnArchivo;
        rechazo.motivo = MotivoRechazo::RepetidaEnArchivo;
        rechazo.detalle = FilaQueLaTrajo(*primera);
    } else {
        ++resumen_.yaGuardadas;
        rechazo.motivo = MotivoRechazo::SerieGuardada;
    }
    rechazar(std::move(rechazo));
}

void CorridaImportacion::vaciarPrueba() {
    if (!prueba_) return;
    try {
        prueba_->vaciar();
    } catch (const ErrorEjecucion& e) {
        pruebaSinRespuesta(e);
        throw;
    }
}

void CorridaImportacion::pruebaSinRespuesta(const ErrorEjecucion& e) {
    // La base no contestó por las filas que esperaban: quedan como no agregadas por esa falla.
    while (!enEspera_.vacia()) {
        Rechazo rechazo = enEspera_.sacarPrimera();
        rechazo.motivo = MotivoRechazo::Fallo;
        rechazo.detalle = e.descripcion();
        rechazar(std::move(rechazo));
    }
}

void CorridaImportacion::alResultado(const ResultadoFila& r) {
    Rechazo rechazo = sacarDeEspera(r.indice, r.destino != ResultadoFila::Agregada);
    switch (r.destino) {
        case ResultadoFila::Agregada:
            break;
        case ResultadoFila::YaGuardada:
            rechazo.columnaSerie = columnas_.serie;
            if (const auto primera = series_.repetida(rechazo.serie(), r.indice)) {
                ++resumen_.repetidasEnArchivo;
                rechazo.motivo = MotivoRechazo::RepetidaEnArchivo;
                rechazo.detalle = FilaQueLaTrajo(*primera);
            } else {
                ++resumen_.yaGuardadas;
            }
            rechazar(std::move(rechazo));
            break;
        case ResultadoFila::Fallo:
        case ResultadoFila::SinConfirmar:
        case ResultadoFila::SinTransmision:
            // La escritura se detuvo en esta fila; la corrida lo dice en su próximo punto (ver
            // avisarFalla).
            escrituraFallo_ = true;
            sinTransmision_ = r.destino == ResultadoFila::SinTransmision;
            falla_ = r.descripcion;
            if (r.destino == ResultadoFila::SinConfirmar) ++sinConfirmarFilas_;
            rechazo.motivo =
                r.destino == ResultadoFila::SinConfirmar ? MotivoRechazo::SinConfirmar : MotivoRechazo::Fallo;
            rechazo.detalle = r.descripcion;
            rechazar(std::move(rechazo));
            return;
    }
    // Con resultados diferidos el grupo se cierra entre tandas, no en medio de lo que se dice.
    grupo_->contar(r.destino == ResultadoFila::Agregada, !escritura_->diferida());
    soltarRechazos();
}

void CorridaImportacion::avisarFalla() {
    enEspera_.olvidar();  // las filas pendientes después de la que falló no se intentaron
    soltarRechazos();
    if (!fallaAvisada_) {
        fallaAvisada_ = true;
        if (sinTransmision_) {
            // Sin el registro no se agregó ninguna fila: no hay grupo que confirmar.
            MsgBox(falla_, Botones::Aceptar | Botones::IconoInformacion, QStringLiteral("Aviso"));
        } else {
            grupo_->confirmar();
            oyente_.estado(falla_);
            MsgBox(Frases({falla_, loGuardadoAhora()}), Botones::Aceptar | Botones::IconoCritico,
                   QStringLiteral("Aviso"));
        }
    }
    dejar_ = true;
}
