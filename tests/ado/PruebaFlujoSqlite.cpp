#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QTemporaryDir>

#include "ado/Conexion.h"
#include "ado/Proveedores.h"
#include "ado/Valores.h"
#include "ado/sqlite/ProveedorSqlite.h"

// La sentencia de flujo de la base embebida: un INSERT ... SELECT cuyas filas llegan mientras
// corre, que dice de cada una si quedó, y que es todo o nada.

namespace {

// Las filas de una lista, de una columna de texto cada una; anota lo que la sentencia dice.
class FlujoDeLista : public FlujoFilas {
  public:
    explicit FlujoDeLista(QList<QByteArray> filas) : filas_(std::move(filas)) {}
    const SentenciaPreparada::ValorListo* siguiente() override {
        if (i_ >= filas_.size()) return nullptr;
        valor_.texto = filas_[i_++];
        return &valor_;
    }
    void insertada(bool si) override { insertadas_.push_back(si ? 1 : 0); }
    const std::vector<int>& insertadas() const { return insertadas_; }

  private:
    QList<QByteArray> filas_;
    qsizetype i_ = 0;
    SentenciaPreparada::ValorListo valor_;
    std::vector<int> insertadas_;
};

class Flujo : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        c_.Open(TextoConexionSuite(dir_.filePath("suite.db")) + "Crear=1;");
        sql("CREATE TABLE t (x TEXT)");
        sql("CREATE UNIQUE INDEX t_x ON t (x)");
        sql("CREATE TABLE otra (y TEXT)");
    }
    void sql(const QString& texto) {
        c_.Execute(texto);
        ASSERT_EQ(c_.Errors().Count(), 0)
            << qPrintable(texto) << " -> " << qPrintable(c_.Errors().Item(0).descripcion);
    }
    QStringList columna(const QString& consulta) {
        QStringList v;
        for (auto rs = c_.abrirRecordset(consulta); !rs->EOF_(); rs->MoveNext())
            v << TextoValor(rs->Field(0));
        return v;
    }
    std::unique_ptr<SentenciaFlujo> insertar() {
        auto s = c_.prepararFlujo("INSERT OR IGNORE INTO t (x) SELECT c1 FROM flujo_de_filas", 1);
        EXPECT_NE(s, nullptr);
        return s;
    }
    sqlite3* base() { return static_cast<ProveedorSqlite*>(c_.proveedor())->base(); }

    QTemporaryDir dir_;
    Conexion c_;
};

}  // namespace

// Se sabe si una fila quedó porque cambia el último rowid insertado. La primera fila nueva toma
// justo el rowid que la conexión insertó último en otra tabla: también cuenta como insertada.
TEST_F(Flujo, DiceDeCadaFilaSiQuedoEnElOrdenDelFlujo) {
    for (const char* x : {"v1", "v2", "v3", "v4"})
        sql(QStringLiteral("INSERT INTO t (x) VALUES ('%1')").arg(x));
    for (int i = 0; i < 5; ++i) sql("INSERT INTO otra (y) VALUES ('y')");
    ASSERT_EQ(sqlite3_last_insert_rowid(base()), 5);
    auto s = insertar();
    c_.BeginTrans();
    ASSERT_TRUE(s->apta());
    FlujoDeLista filas({"a", "a", "v2", "b", "", "b", "c"});
    ListaErrores errores;
    EXPECT_EQ(s->correr(filas, {}, errores), 4);
    EXPECT_EQ(filas.insertadas(), (std::vector<int>{1, 0, 0, 1, 1, 0, 1}));
    c_.CommitTrans();
    EXPECT_EQ(columna("SELECT x FROM t ORDER BY rowid"),
              (QStringList{"v1", "v2", "v3", "v4", "a", "b", "", "c"}));
    EXPECT_EQ(columna("SELECT rowid FROM t WHERE x = 'a'"), QStringList{"5"});
}

// Sólo cuando cada fila se decide en su lugar: dentro de una transacción, sin disparadores ni
// claves foráneas en la tabla.
TEST_F(Flujo, EsAptaSoloSiCadaFilaSeDecideAntesDeLaSiguiente) {
    const struct {
        const char* nombre;
        QStringList preparar;
        bool transaccion;
        bool apta;
    } casos[] = {
        {"tabla simple", {}, true, true},
        {"fuera de una transacción", {}, false, false},
        {"con un disparador",
         {"CREATE TRIGGER t_d AFTER INSERT ON t BEGIN INSERT INTO otra (y) VALUES (NEW.x); END"},
         true,
         false},
        {"con una clave foránea",
         {"PRAGMA foreign_keys=ON", "CREATE TABLE padre (x TEXT PRIMARY KEY)", "DROP TABLE t",
          "CREATE TABLE t (x TEXT REFERENCES padre (x))"},
         true,
         false},
    };
    for (const auto& caso : casos) {
        SCOPED_TRACE(caso.nombre);
        c_.Close();
        QFile::remove(dir_.filePath("suite.db"));
        SetUp();
        for (const QString& s : caso.preparar) sql(s);
        auto s = c_.prepararFlujo("INSERT INTO t (x) SELECT c1 FROM flujo_de_filas", 1);
        ASSERT_NE(s, nullptr);
        if (caso.transaccion) c_.BeginTrans();
        EXPECT_EQ(s->apta(), caso.apta);
        if (caso.transaccion) c_.RollbackTrans();
    }
}

// Una fila que falla (aquí, un valor más largo de lo que la base admite): la sentencia no deja
// ninguna de las suyas, aunque SQLite por sí solo dejaría las anteriores en esta tabla; lo
// hecho antes en la transacción queda, y la transacción sigue abierta.
TEST_F(Flujo, UnaFilaQueFallaNoDejaNadaDeLaSentencia) {
    auto s = insertar();
    c_.BeginTrans();
    sql("INSERT INTO t (x) VALUES ('antes')");
    ASSERT_TRUE(s->apta());
    sqlite3_limit(base(), SQLITE_LIMIT_LENGTH, 100);
    FlujoDeLista filas({"a", "b", QByteArray(200, 'L'), "c"});
    ListaErrores errores;
    EXPECT_EQ(s->correr(filas, {}, errores), -1);
    EXPECT_EQ(filas.insertadas(), (std::vector<int>{1, 1}));
    ASSERT_EQ(errores.Count(), 1);
    EXPECT_TRUE(errores.Item(0).descripcion.contains("too big")) << qPrintable(errores.Item(0).descripcion);
    EXPECT_TRUE(s->enTransaccion());
    sqlite3_limit(base(), SQLITE_LIMIT_LENGTH, 1000000000);
    c_.CommitTrans();
    EXPECT_EQ(columna("SELECT x FROM t ORDER BY rowid"), QStringList{"antes"});
}
