#pragma once
#include <QString>
#include <QStringList>

// Los usuarios de la aplicación en TA_USUARIOS, con el código de sistema "ORVA": los que el
// ingreso acepta además del propio nombre de la base. Trabajan sobre la conexión principal,
// que el inicio dejó abierta y validada. Los nombres van como literales SQL.

// El código de sistema de los usuarios que se dan de alta.
inline const QString kSistemaUsuarios = QStringLiteral("ORVA");

// Agrega el usuario con su clave codificada (Encriptar) en Password y en gUsuarioClave, como la
// leen ValidarUsuario y la búsqueda de la clave. Lanza ErrorEjecucion si el nombre o la clave
// están vacíos, si el usuario ya existe para ese sistema o si la base rechaza la fila.
void AltaUsuario(const QString& nombre, const QString& clave);

// Quita el usuario de ese sistema. Lanza ErrorEjecucion si no existe o si la base falla.
void BajaUsuario(const QString& nombre);

// Los usuarios de la tabla, ordenados por nombre: "NOMBRE<tab>SISTEMA".
QStringList ListaUsuarios();
