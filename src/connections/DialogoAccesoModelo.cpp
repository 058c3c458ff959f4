#include "connections/DialogoAccesoModelo.h"

void DialogoAccesoModelo::MostrarModal(const QString& base, const QString& servidor, const QString& usuario,
                                       const QString& clave) {
    modelo_.Form_Load();
    // El orden del ingreso: base, servidor, usuario, clave; cada cambio corre su reacción.
    modelo_.ponerTexto(Caja::TxtDbName, base);
    modelo_.ponerTexto(Caja::TxtServidor, servidor);
    modelo_.ponerTexto(Caja::TxtUserId, usuario);
    modelo_.ponerTexto(Caja::TxtUserPassword, clave);
    modelo_.CboPlataformaDB = 0;
    modelo_.mostrar();
    mostrarModal(modelo_);
}
