#pragma once
#include <QString>
#include <cstdint>

// Lo que dejó una importación, para que el operador lo lea de un vistazo.
struct ResumenImportacion {
    int32_t transmision = 0;
    int64_t insertadas = 0;          // filas agregadas a AUX_GARANTIA (en una prueba: que se agregarían)
    int64_t yaGuardadas = 0;         // series que ya estaban guardadas (antes de esta corrida)
    int64_t repetidasEnArchivo = 0;  // filas cuya serie trajo antes otra fila del mismo archivo
    int64_t sinSerie = 0;            // filas salteadas por no tener serie
    int64_t leidas = 0;              // filas de datos leídas del origen
    QString repetido;                // el aviso de que esos bytes ya se importaron (vacío: no)
    bool noRepetida = false;         // no se importó porque ya se había importado (y no se pidió repetir)
    bool terminada = false;          // llegó a "Importación finalizada" (o "Prueba finalizada")
    bool prueba = false;             // una prueba: no se escribió nada ni se tomó número
    bool detenida = false;           // el operador la detuvo: lo escrito hasta ahí quedó
    QString avisoCampos;             // los títulos parecen de otro orden (vacío: nada que decir)
    QString columnasPorNombre;       // con títulos en otro orden: qué columna iría a cada campo por nombre
    bool ordenSinDecidir = false;    // títulos en otro orden y nadie eligió cómo tomarlos: nada escrito
    // Lo que quedó en la base al terminar, contado en ella (ver LoGuardado): "Quedaron guardadas
    // N filas en la transmisión T" o "No quedó nada guardado". Toda corrida que no es una prueba
    // lo dice, termine como termine; vacío en una prueba.
    QString guardado;

    // Una línea: "Transmisión 3: ..." o, en una prueba, "Prueba sin escribir: ..."; detenida,
    // empieza con "Detenida. "; las filas repetidas en el archivo, si las hay, después de las sin
    // serie (así las tres primeras cuentas siguen en su lugar); una prueba de un archivo ya
    // importado lo dice; con el aviso de los títulos al final, si lo hay.
    // Con los números desnudos y las palabras en plural: la salida de garantias-cli, que leen otros
    // programas.
    QString texto() const;
    // El mismo texto para el operador: separador de miles y singular ("1 fila agregada",
    // "1.000 series ya guardadas"); el resumen de la ventana.
    QString textoParaLeer() const;
};
