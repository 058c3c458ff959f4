#include <QApplication>
#include <QStringList>

#include "banner/ui/Dll_Display.h"
#include "connections/ui/DialogoAccesoQt.h"
#include "import/ui/FrmAuxGarantia.h"
#include "platform/Mensajes.h"
#include "platform/Senales.h"
#include "platform/ui/Ajustes.h"
#include "platform/ui/MensajesQt.h"
#include "suite/Componentes.h"

// El programa no tiene procedimiento principal propio: crea la ventana de importación, cuya
// carga corre el inicio de la aplicación, y la muestra cuando el inicio vuelve.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("garantias"));
    // Todo lo que lee el operador está en español, también lo que dibuja Qt (diálogo de archivo,
    // menús de contexto).
    CargarTraduccionesQt();
    InstalarServicioMensajes(std::make_unique<MensajesQt>());
    Senales::Instalar();
    Componentes::InstalarDisplay(std::make_unique<Dll_Display>());
    InstalarDialogoAcceso(std::make_unique<DialogoAccesoQt>());

    QStringList argumentos = QApplication::arguments();
    argumentos.removeFirst();

    FrmAuxGarantia ventana;
    ventana.Form_Load(argumentos.join(' '));
    ventana.show();
    return QApplication::exec();
}
