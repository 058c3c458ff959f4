#pragma once

// El catálogo de consultas de la suite ("consultas.ntw"): registros fijos de 1202 bytes en
// Windows-1252 (título 100, vista 100, columnas 500, extra 500 blancos, CR LF), sin cabecera.

// Agrega las once entradas de la suite al archivo de ArchivoCatalogo de Dll_Consultas (lo crea
// si falta), cada una después del último registro entero. Sin trampa propia: un archivo que
// no se puede crear o escribir lanza ErrorEjecucion (75 al abrir, 61 al escribir).
void CrearCatalogoConsultas();
