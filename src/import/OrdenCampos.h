#pragma once
#include <QString>
#include <QStringList>

// La importación toma los campos por posición: el primero es eca1, el segundo la serie, el
// tercero el modelo y el quinto la activación; sus nombres no cuentan. Cuando los títulos del
// archivo se parecen a esos nombres pero en otro orden (el primero se llama "SERIE"), tomarlos
// por posición guardaría cada valor en otro campo: el operador elige antes de que se escriba
// nada, por los nombres o por posición (ver CorridaImportacion).

// El aviso para los nombres de campo de un origen; vacío si ningún título conocido está fuera de
// su lugar. Los títulos se comparan sin mayúsculas, acentos, blancos ni signos ("Nro. de Serie").
QString AvisoOrdenCampos(const QStringList& nombres);

// De qué columna del origen (desde 0) sale cada campo de AUX_GARANTIA; -1: de ninguna, el campo
// queda vacío.
struct ColumnasCampos {
    int eca1 = 0;
    int serie = 1;
    int modelo = 2;
    int activacion = 4;
    bool operator==(const ColumnasCampos&) const = default;
};

// Las columnas según los títulos: cada campo que un título nombra sale de esa columna (si lo
// nombran dos, de la de su lugar o, si no, de la primera); uno que ningún título nombra sale de su
// posición, salvo que esa columna sea la de otro campo nombrado: entonces de ninguna.
ColumnasCampos ColumnasPorNombre(const QStringList& nombres);

// Qué columna va a cada campo, para el operador: "eca1 de la columna 2 (\"ECA1\"), serie de la
// columna 1 (\"SERIE\"), modelo de la columna 3 (\"modelo\"), activación de ninguna columna".
QString TextoColumnas(const ColumnasCampos& columnas, const QStringList& nombres);

// Lo que la vista previa dice de unos títulos en otro orden, entero: el aviso y qué columna iría a
// cada campo si se toman por sus títulos. Vacío si no hay nada que decir.
QString AvisoVistaPrevia(const QStringList& nombres);
