#pragma once
#include <QString>
#include <vector>

#include "ado/excel/ZipXlsx.h"

// Una hoja del libro, en el orden de workbook.xml.
struct HojaXlsx {
    QString nombre;
    QString parte;  // ruta de su XML dentro del zip ("xl/worksheets/sheet1.xml")
    bool oculta = false;
};

// Lo que el libro dice de sí mismo antes de leer ninguna hoja: sus hojas (visibles u ocultas),
// el sistema de fechas, dónde están las cadenas compartidas y qué estilos son de fecha.
class LibroXlsx {
  public:
    // Abre el zip y lee workbook.xml, sus relaciones y styles.xml. Lanza ErrorEjecucion si el
    // archivo no es un zip, no tiene libro o alguna de esas partes está dañada.
    explicit LibroXlsx(const QString& ruta);

    const QString& ruta() const { return zip_.ruta(); }
    const ZipXlsx& zip() const { return zip_; }
    const std::vector<HojaXlsx>& hojas() const { return hojas_; }
    bool sistema1904() const { return sistema1904_; }
    // La parte de cadenas compartidas; vacía si el libro no tiene.
    const QString& parteCadenas() const { return parteCadenas_; }
    // ¿Muestra fechas el estilo (índice en cellXfs)? Los índices fuera de la tabla no.
    bool estiloFecha(int estilo) const {
        return estilo >= 0 && static_cast<std::size_t>(estilo) < estilosFecha_.size() &&
               estilosFecha_[estilo];
    }

  private:
    void leerLibro(const QString& parteLibro);
    void leerEstilos(const QString& parteEstilos);

    ZipXlsx zip_;
    std::vector<HojaXlsx> hojas_;
    bool sistema1904_ = false;
    QString parteCadenas_;
    std::vector<bool> estilosFecha_;
};

// Resuelve el destino de una relación contra la carpeta de la parte que la declara:
// ("xl/workbook.xml", "worksheets/sheet1.xml") -> "xl/worksheets/sheet1.xml"; "/xl/x.xml" es absoluto.
QString ResolverDestino(const QString& parteOrigen, const QString& destino);
