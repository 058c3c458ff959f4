#pragma once
#include <sqlite3.h>

#include <optional>

#include "ado/HuellaArchivo.h"
#include "ado/Proveedor.h"

struct TablaFlujo;  // ado/sqlite/FlujoSqlite.h

// Proveedor sobre la API de SQLite, en dos modos:
//  - la base de la suite embebida ("Provider=GarantiasSQLite;Data Source=...;[Crear=1;]"):
//    lectura y escritura, SQL en el dialecto de SQL Server adaptado, WAL, espera por bloqueos;
//  - un archivo .db de un proveedor ("DRIVER=SQLite3 ODBC Driver;Database=...;..."): sólo
//    lectura; las opciones del controlador ODBC se aceptan y se ignoran.
class ProveedorSqlite : public Proveedor {
  public:
    explicit ProveedorSqlite(bool suite) : suite_(suite) {}
    ~ProveedorSqlite() override { cerrar(); }

    QString nombre() const override { return QStringLiteral("SQLite"); }
    void abrir(const TextoConexion& texto) override;
    void cerrar() override;
    QStringList tablas() override;
    std::unique_ptr<FuenteFilas> consultar(const QString& sql, bool actualizable) override;
    std::unique_ptr<FuenteFilas> leerTabla(const QString& tabla) override;
    void ejecutar(const QString& sql, ListaErrores& errores) override;
    std::unique_ptr<SentenciaPreparada> preparar(const QString& sql) override;
    std::unique_ptr<SentenciaFlujo> prepararFlujo(const QString& sql, int columnas) override;
    void empezarTransaccion() override;
    void confirmarTransaccion() override;
    void deshacerTransaccion() override;
    void fijarTiempoEspera(int segundos) override;
    MotorBase motorBase() const override { return suite_ && db_ ? MotorBase::Embebida : MotorBase::Ninguno; }

    sqlite3* base() const { return db_; }
    const QString& archivo() const { return archivo_; }

  private:
    void exigirAbierta() const;
    // Corre el texto ya en la forma de SQLite.
    std::unique_ptr<FuenteFilas> consultarTexto(QString texto, bool actualizable);
    void correrControl(const char* sql);
    QString adaptar(const QString& sql) const;

    bool suite_;
    sqlite3* db_ = nullptr;
    TablaFlujo* tablaFlujo_ = nullptr;  // la registra la primera sentencia de flujo; es de la conexión
    QString archivo_;
    std::optional<HuellaArchivo> huella_;  // la del archivo de un proveedor al abrirlo
    int tiempoEsperaMs_ = 30000;
};

// Liga un valor listo al parámetro indice de st: el texto, sin copiarlo (vive hasta la corrida
// siguiente). Devuelve el código de SQLite: un texto más largo de lo que la base admite no se liga.
int LigarListo(sqlite3_stmt* st, int indice, const SentenciaPreparada::ValorListo& v);

// Ajustes del motor para todo el proceso; quien abre una base con la API de SQLite lo llama antes.
void PrepararMotorSqlite();

// El error de SQLite como lo ve el programa: el número nativo de SQL Server que corresponde
// (2627 clave duplicada, 547 restricción, 208 tabla inexistente, 1222 bloqueo...) y una
// descripción en castellano con el mensaje del motor.
ErrorAdo ErrorDeSqlite(sqlite3* db, int codigo, const QString& sentencia = {});

// La clave de una serie en la base embebida: la de la columna serie_clave de AUX_GARANTIA, sin
// blancos finales y con A-Z y Á É Í Ó Ú Ü Ñ À È Ì Ò Ù Â Ê Î Ô Û Ã Õ Ç Ä Ë Ï Ö Å en minúsculas.
QString ClaveSerie(const QString& serie);
// La letra de esa clave para una letra de la serie: A-Z y las acentuadas de arriba, en minúscula;
// las demás, igual.
char16_t LetraDeClaveSerie(char16_t letra);

// Registra en la conexión lo que el dialecto necesita: las funciones getDate() y clave_serie(x)
// (ClaveSerie) y las colaciones
// ESPANOL_CI (sin distinguir mayúsculas ni blancos finales) y FECHA_DMY (textos dd/mm/yyyy en
// orden cronológico), que declaran las bases hechas antes de que se pudieran abrir con otras
// herramientas. suite: la base de la suite, donde NOCASE pasa a ser ESPANOL_CI con las fechas en
// orden cronológico.
void RegistrarExtensiones(sqlite3* db, bool suite);
