#pragma once
#include <sql.h>
#include <sqlext.h>

#include <QString>
#include <vector>

#include "ado/Errores.h"

// Los registros de diagnóstico de ODBC como errores del programa.

// Todos los registros de un handle, en orden (1..n): número nativo, texto (sin los prefijos
// "[proveedor][motor]") y SQLSTATE. Vacío si el handle no tiene ninguno.
std::vector<ErrorAdo> LeerDiagnosticos(SQLSMALLINT tipo, SQLHANDLE handle, const QString& origen);

// Si el SQLSTATE es sólo un aviso (clase "01": mensajes informativos, datos truncados al leer).
bool EsAviso(const ErrorAdo& e);

// El número con que se lanza una falla: el primer número nativo del motor de los registros, o
// la falla genérica del proveedor si ninguno lo trae.
int32_t NumeroDeFalla(const std::vector<ErrorAdo>& registros);

// Los textos de los registros, unidos en una línea ("texto1 / texto2").
QString TextoDeRegistros(const std::vector<ErrorAdo>& registros);

// Texto de ODBC: UTF-16 en SQLWCHAR, como lo piden las funciones ...W.
inline SQLWCHAR* Ancho(const QString& s) {
    return reinterpret_cast<SQLWCHAR*>(const_cast<ushort*>(s.utf16()));
}
inline QString DeAncho(const SQLWCHAR* s, qsizetype caracteres) {
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(s), caracteres);
}
