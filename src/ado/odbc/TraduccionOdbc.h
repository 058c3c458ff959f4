#pragma once
#include <QString>
#include <QStringList>
#include <functional>

// El programa habla con un servidor por ODBC en el dialecto de SQL Server, y el texto va tal
// cual. Quien lo hace correr contra un controlador que habla otro dialecto (las pruebas de la
// plomería ODBC, con un archivo SQLite en lugar de un servidor) fija aquí cómo se traduce; vacío,
// como en el programa, no se traduce nada.
struct TraduccionOdbc {
    // Un lote para ejecutar: las sentencias que el controlador corre, una por llamada.
    std::function<QStringList(const QString& lote)> lote;
    // Una consulta o una sentencia preparada.
    std::function<QString(const QString& sentencia)> sentencia;
};

// Vale para las conexiones que se abran desde ahora, en todo el proceso.
void FijarTraduccionOdbc(TraduccionOdbc traduccion);
