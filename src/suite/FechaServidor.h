#pragma once
#include <QDateTime>
#include <QString>

// La fecha y hora con que la suite sella sus registros, tomada del servidor para que todas las
// estaciones coincidan, sin fracciones de segundo. Si la consulta no devuelve fila: con
// UTILIZARFECHADIA, la fecha de operación de la configuración (FECHAOPERHASTA) si es una fecha;
// si no, el reloj local. Si la consulta no se puede correr, la fecha cero (30/12/1899).
// Nunca lanza.
QDateTime FechaServidor();

// Los formatos fijos de la suite.
QString FormatoFechaHora();  // "dd/mm/yy hh:mm"
QString FormatoFecha();      // "dd/mm/yy"
QString FormatoHora();       // "hh:mm"
