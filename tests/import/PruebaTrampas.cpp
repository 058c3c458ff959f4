// La trampa de la ventana en los ciclos de la vista previa y de la importación: cada falla,
// contestada con cada botón, deja que el procedimiento termine.
#include <QFile>
#include <QRegularExpression>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "import/VentanaDePrueba.h"

namespace {

// Si lo que vigila no termina a tiempo, la prueba no se queda colgada: el proceso se corta con
// un mensaje (un ciclo que gira sin preguntar nada no tiene otra salida).
class Vigia {
  public:
    explicit Vigia(const char* que) : que_(que), hilo_([this] { vigilar(); }) {}
    ~Vigia() {
        {
            std::lock_guard<std::mutex> l(m_);
            listo_ = true;
        }
        cv_.notify_one();
        hilo_.join();
    }

  private:
    void vigilar() {
        std::unique_lock<std::mutex> l(m_);
        if (!cv_.wait_for(l, std::chrono::seconds(60), [this] { return listo_; })) {
            std::fprintf(stderr, "%s no terminó en 60 s: el ciclo gira sin fin\n", que_);
            std::abort();
        }
    }
    const char* que_;
    std::mutex m_;
    std::condition_variable cv_;
    bool listo_ = false;
    std::thread hilo_;
};

// Contesta cada cuadro con las respuestas del comienzo y después siempre con la misma. Más de
// kTope cuadros es un ciclo que sólo pregunta: se contesta Abortar para salir y la prueba falla.
class Contestador : public ServicioMensajes {
  public:
    static constexpr int kTope = 200;
    struct Cuadro {
        QString texto;
        int estilo;
        QString titulo;
    };
    Contestador(std::vector<int> primero, int siempre) : primero_(std::move(primero)), siempre_(siempre) {}
    int mostrar(const QString& texto, int estilo, const QString& titulo) override {
        cuadros.push_back({texto, estilo, titulo});
        if (cuadros.size() > kTope) return RespuestaMensaje::Abortar;
        if (Botones::juego(estilo) != Botones::AbortarReintentarOmitir)
            return RespuestasDelJuego(estilo).front();
        if (usadas_ < primero_.size()) return primero_[usadas_++];
        return siempre_;
    }
    std::vector<Cuadro> cuadros;

  private:
    std::vector<int> primero_;
    std::size_t usadas_ = 0;
    int siempre_;
};

class Trampas : public VentanaDePrueba {
  protected:
    QString csvBueno() {
        return archivo("bueno/bueno.csv", "eca1,serie,modelo,x,act\nE1,S1,M1,x,A1\nE2,S2,M2,x,A2\n");
    }
};

}  // namespace

TEST_F(Trampas, CadaFallaConCadaBotonTermina) {
    // Una situación que hace fallar un procedimiento de la ventana, armada sobre una ventana nueva.
    struct Situacion {
        const char* nombre;
        std::function<void()> preparar;  // sin cuadros que contestar
        std::function<void()> disparar;  // la operación que falla
        bool importa;                    // la operación es "Importar"
    };
    const Situacion situaciones[] = {
        {"cancelar el diálogo con una tabla listada: la vista previa lee sin conexión (3709)",
         [this] { buscar(csvBueno()); }, [this] { buscar(std::nullopt); }, false},
        {"un nombre escrito sin archivo: sin conjunto de filas (3709, luego 91)",
         [this] { modelo_->setCmbTablaTexto("Hoja1"); }, [this] { ventana_->cmdCargarVistaPrevia_Click(); },
         false},
        {"un libro que no es un libro", [] {},
         [this] { buscar(archivo("falso/falso.xlsx", "esto no es un libro")); }, false},
        {"la tabla elegida se borró antes de la vista previa",
         [this] {
             buscar(csvBueno());
             QFile::remove(csvBueno());
         },
         [this] { ventana_->cmdCargarVistaPrevia_Click(); }, false},
        {"importar sin ruta con una tabla listada (3709)",
         [this] {
             buscar(csvBueno());
             modelo_->setCampo("Tabla", "");
         },
         [this] { ventana_->cmdImportar_Click(); }, true},
        {"importar un origen de tres campos: el quinto falta en cada fila",
         [this] { buscar(archivo("tres/tres.csv", "a,serie,c\n1,S1,3\n2,S2,3\n3,S3,3\n")); },
         [this] { ventana_->cmdImportar_Click(); }, true},
        {"importar un nombre escrito sin archivo", [this] { modelo_->setCmbTablaTexto("Hoja1"); },
         [this] { ventana_->cmdImportar_Click(); }, true},
    };
    struct Contestacion {
        const char* nombre;
        std::vector<int> primero;
        int siempre;
    };
    using namespace RespuestaMensaje;
    const Contestacion contestaciones[] = {
        {"Abortar", {}, Abortar},
        {"Reintentar dos veces y Abortar", {Reintentar, Reintentar}, Abortar},
        {"Omitir siempre", {}, Omitir},
        {"Reintentar una vez y Omitir siempre", {Reintentar}, Omitir},
    };
    const QRegularExpression conNumeroAlFinal(QStringLiteral("^\\D.* \\(-?\\d+\\)$"),
                                              QRegularExpression::DotMatchesEverythingOption);

    for (const auto& s : situaciones) {
        for (const auto& c : contestaciones) {
            SCOPED_TRACE(std::string(s.nombre) + " / " + c.nombre);
            modelo_ = std::make_unique<ModeloVentana>();
            ventana_ =
                std::make_unique<VentanaImportacion>(*modelo_, std::make_unique<SelectorGuionado>(archivos_));
            s.preparar();
            mensajes_->olvidar();

            auto propio = std::make_unique<Contestador>(c.primero, c.siempre);
            Contestador& contestador = *propio;
            auto anterior = InstalarServicioMensajes(std::move(propio));
            {
                Vigia vigia(s.nombre);
                s.disparar();
            }
            const auto cuadros = contestador.cuadros;
            InstalarServicioMensajes(std::move(anterior));

            ASSERT_FALSE(cuadros.empty());
            EXPECT_LE(cuadros.size(), static_cast<std::size_t>(Contestador::kTope))
                << "el ciclo sólo pregunta";
            EXPECT_FALSE(modelo_->ocupado());
            int trampa = 0;
            for (const auto& q : cuadros) {
                if (Botones::juego(q.estilo) != Botones::AbortarReintentarOmitir) continue;
                // La pregunta de la trampa: la descripción, sin números internos, y el título del
                // programa.
                ++trampa;
                EXPECT_EQ(Botones::icono(q.estilo), Botones::IconoCritico);
                EXPECT_EQ(q.titulo, "garantias");
                EXPECT_FALSE(conNumeroAlFinal.match(q.texto).hasMatch()) << qPrintable(q.texto);
                EXPECT_FALSE(q.texto.trimmed().isEmpty());
            }
            ASSERT_GE(trampa, 1);
            if (c.primero.size() == 2) {
                // Reintentar repite la misma sentencia: la misma pregunta tres veces, y Abortar deja el
                // procedimiento.
                ASSERT_GE(cuadros.size(), 3u);
                EXPECT_EQ(cuadros[1].texto, cuadros[0].texto);
                EXPECT_EQ(cuadros[2].texto, cuadros[0].texto);
            }
            // La vista previa termina siempre en "..."; la importación llega al final sólo si se omitió.
            if (!s.importa) {
                EXPECT_EQ(modelo_->lblEstado(), "...");
            } else if (c.siempre == Omitir) {
                EXPECT_EQ(modelo_->lblEstado(), "Importación finalizada");
            } else {
                EXPECT_NE(modelo_->lblEstado(), "Importación finalizada");
            }

            // La ventana sigue en uso: un archivo bueno se ve.
            mensajes_->olvidar();
            buscar(csvBueno());
            EXPECT_EQ(modelo_->MSFlexGrid2.TextMatrix(2, 2), "S2");
            EXPECT_EQ(modelo_->lblEstado(), "...");
        }
    }
}
