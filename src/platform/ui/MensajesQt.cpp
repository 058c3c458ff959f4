#include "platform/ui/MensajesQt.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {
QString Leyenda(int respuesta) {
    switch (respuesta) {
        case RespuestaMensaje::Aceptar:
            return QStringLiteral("Aceptar");
        case RespuestaMensaje::Cancelar:
            return QStringLiteral("Cancelar");
        case RespuestaMensaje::Abortar:
            return QStringLiteral("&Anular");
        case RespuestaMensaje::Reintentar:
            return QStringLiteral("&Reintentar");
        case RespuestaMensaje::Omitir:
            return QStringLiteral("&Omitir");
        case RespuestaMensaje::Si:
            return QStringLiteral("&Sí");
        default:
            return QStringLiteral("&No");
    }
}

QMessageBox::ButtonRole Papel(int respuesta) {
    switch (respuesta) {
        case RespuestaMensaje::Aceptar:
        case RespuestaMensaje::Si:
            return QMessageBox::AcceptRole;
        case RespuestaMensaje::Cancelar:
        case RespuestaMensaje::Abortar:
            return QMessageBox::RejectRole;
        case RespuestaMensaje::No:
            return QMessageBox::NoRole;
        default:
            return QMessageBox::ActionRole;
    }
}
}  // namespace

int MensajesQt::mostrar(const QString& texto, int estilo, const QString& titulo) {
    QMessageBox caja(QApplication::activeWindow());
    caja.setWindowTitle(titulo);
    caja.setText(QString(texto).replace(QLatin1String("\r\n"), QLatin1String("\n")));
    switch (Botones::icono(estilo)) {
        case Botones::IconoCritico:
            caja.setIcon(QMessageBox::Critical);
            break;
        case Botones::IconoPregunta:
            caja.setIcon(QMessageBox::Question);
            break;
        case Botones::IconoExclamacion:
            caja.setIcon(QMessageBox::Warning);
            break;
        case Botones::IconoInformacion:
            caja.setIcon(QMessageBox::Information);
            break;
        default:
            caja.setIcon(QMessageBox::NoIcon);
    }
    const auto respuestas = RespuestasDelJuego(estilo);
    std::vector<std::pair<QPushButton*, int>> botones;
    for (int r : respuestas) botones.emplace_back(caja.addButton(Leyenda(r), Papel(r)), r);
    const auto porDefecto = static_cast<std::size_t>(Botones::porDefecto(estilo));
    caja.setDefaultButton(botones[porDefecto < botones.size() ? porDefecto : 0].first);
    // Con un solo botón, Esc también lo pulsa; con Abortar/Reintentar/Omitir, Esc no contesta.
    if (botones.size() == 1) caja.setEscapeButton(botones.front().first);
    caja.exec();
    for (const auto& [boton, respuesta] : botones) {
        if (caja.clickedButton() == boton) return respuesta;
    }
    return respuestas.front() == RespuestaMensaje::Aceptar ? RespuestaMensaje::Aceptar
                                                           : RespuestaMensaje::Cancelar;
}
