#pragma once
#include <QString>
#include <QStringList>
#include <map>
#include <stdexcept>

// La línea de comandos ya separada: el verbo, sus argumentos sueltos y sus opciones "--nombre valor".
struct Argumentos {
    QString verbo;                        // vacío con --help o --version solos
    QStringList sueltos;                  // en el orden dado
    std::map<QString, QString> opciones;  // sin los "--"; las banderas llevan valor vacío
    bool ayuda = false;                   // --help o -h
    bool version = false;                 // --version

    bool tiene(const QString& opcion) const { return opciones.count(opcion) != 0; }
    QString opcion(const QString& nombre) const;
};

// Error de uso: la línea de comandos está mal escrita. Termina con el código 2.
struct ErrorUso : std::runtime_error {
    explicit ErrorUso(const QString& mensaje) : std::runtime_error(mensaje.toStdString()), texto(mensaje) {}
    QString texto;
};

// Separa los argumentos (sin el nombre del programa). conValor: las opciones que toman un valor
// (el siguiente argumento, o "--opcion=valor"). Lanza ErrorUso si una opción con valor no lo trae
// o si una opción no se conoce (conocidas: conValor, banderas, --help, -h y --version).
Argumentos SepararArgumentos(const QStringList& argumentos, const QStringList& conValor,
                             const QStringList& banderas);
