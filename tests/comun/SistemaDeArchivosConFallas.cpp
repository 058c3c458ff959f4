// Un sistema de archivos de SQLite para las pruebas que cuenta cada llamada de entrada y salida de
// las bases del proceso (abrir, leer, escribir, truncar, pasar a disco, bloquear, tamaño, memoria
// compartida, borrar, preguntar si existe) y hace fallar la N-ésima, una vez o desde ella en
// adelante, como falla un disco: SQLITE_IOERR_* o, con "lleno", SQLITE_FULL en las escrituras.
//
// Se carga en garantias-cli con LD_PRELOAD (el programa no sabe nada de él): al cargarse se
// registra como el sistema de archivos por omisión, sobre el de siempre ("unix"), si está
// GARANTIAS_FALLAS_DISCO:
//
//   GARANTIAS_FALLAS_DISCO="N[,siempre][,lleno]"   N = 0: sólo contar
//   GARANTIAS_FALLAS_CUENTA=/ruta                    ahí queda, en texto, cuántas llamadas hubo
//
// Con "lleno" sólo cuentan (y fallan) las escrituras y los truncados.
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

enum class Llamada { Abrir, Leer, Escribir, Truncar, Sincronizar, Tamano, Bloquear, Memoria, Borrar, Existe };

struct Estado {
    long fallarEn = 0;  // 0: nunca
    bool siempre = false;
    bool lleno = false;
    std::atomic<long> llamadas{0};
    int cuenta = -1;  // el archivo de la cuenta
    sqlite3_vfs* real = nullptr;
} g;

int CodigoDe(Llamada l) {
    switch (l) {
        case Llamada::Abrir:
            return SQLITE_CANTOPEN;
        case Llamada::Leer:
            return SQLITE_IOERR_READ;
        case Llamada::Escribir:
            return g.lleno ? SQLITE_FULL : SQLITE_IOERR_WRITE;
        case Llamada::Truncar:
            return g.lleno ? SQLITE_FULL : SQLITE_IOERR_TRUNCATE;
        case Llamada::Sincronizar:
            return SQLITE_IOERR_FSYNC;
        case Llamada::Tamano:
            return SQLITE_IOERR_FSTAT;
        case Llamada::Bloquear:
            return SQLITE_IOERR_LOCK;
        case Llamada::Memoria:
            return SQLITE_IOERR_SHMMAP;
        case Llamada::Borrar:
            return SQLITE_IOERR_DELETE;
        case Llamada::Existe:
            return SQLITE_IOERR_ACCESS;
    }
    return SQLITE_IOERR;
}

// Cuenta la llamada y dice con qué código debe fallar (SQLITE_OK: que siga).
int Contar(Llamada l) {
    if (g.lleno && l != Llamada::Escribir && l != Llamada::Truncar) return SQLITE_OK;
    const long n = ++g.llamadas;
    if (g.cuenta >= 0) {
        char texto[32];
        const int largo = std::snprintf(texto, sizeof texto, "%ld\n", n);
        if (::pwrite(g.cuenta, texto, static_cast<size_t>(largo), 0) < 0) std::abort();
    }
    if (g.fallarEn > 0 && (n == g.fallarEn || (g.siempre && n > g.fallarEn))) return CodigoDe(l);
    return SQLITE_OK;
}

// El archivo abierto: el nuestro delante, el del sistema de siempre detrás.
struct Archivo {
    sqlite3_file base;
    sqlite3_file* real;
};
sqlite3_file* Real(sqlite3_file* f) { return reinterpret_cast<Archivo*>(f)->real; }

#define SEGUIR(llamada, expresion)      \
    do {                                \
        const int rc = Contar(llamada); \
        if (rc != SQLITE_OK) return rc; \
        return expresion;               \
    } while (0)

int Cerrar(sqlite3_file* f) { return Real(f)->pMethods->xClose(Real(f)); }
int Leer(sqlite3_file* f, void* b, int n, sqlite3_int64 o) {
    SEGUIR(Llamada::Leer, Real(f)->pMethods->xRead(Real(f), b, n, o));
}
int Escribir(sqlite3_file* f, const void* b, int n, sqlite3_int64 o) {
    SEGUIR(Llamada::Escribir, Real(f)->pMethods->xWrite(Real(f), b, n, o));
}
int Truncar(sqlite3_file* f, sqlite3_int64 n) {
    SEGUIR(Llamada::Truncar, Real(f)->pMethods->xTruncate(Real(f), n));
}
int Sincronizar(sqlite3_file* f, int b) {
    SEGUIR(Llamada::Sincronizar, Real(f)->pMethods->xSync(Real(f), b));
}
int Tamano(sqlite3_file* f, sqlite3_int64* n) {
    SEGUIR(Llamada::Tamano, Real(f)->pMethods->xFileSize(Real(f), n));
}
int Bloquear(sqlite3_file* f, int n) { SEGUIR(Llamada::Bloquear, Real(f)->pMethods->xLock(Real(f), n)); }
int Desbloquear(sqlite3_file* f, int n) { return Real(f)->pMethods->xUnlock(Real(f), n); }
int Reservado(sqlite3_file* f, int* r) { return Real(f)->pMethods->xCheckReservedLock(Real(f), r); }
int Control(sqlite3_file* f, int op, void* a) { return Real(f)->pMethods->xFileControl(Real(f), op, a); }
int Sector(sqlite3_file* f) { return Real(f)->pMethods->xSectorSize(Real(f)); }
int Caracteristicas(sqlite3_file* f) { return Real(f)->pMethods->xDeviceCharacteristics(Real(f)); }
int MemoriaMapear(sqlite3_file* f, int i, int n, int e, void volatile** p) {
    SEGUIR(Llamada::Memoria, Real(f)->pMethods->xShmMap(Real(f), i, n, e, p));
}
int MemoriaBloquear(sqlite3_file* f, int o, int n, int b) {
    return Real(f)->pMethods->xShmLock(Real(f), o, n, b);
}
void MemoriaBarrera(sqlite3_file* f) { Real(f)->pMethods->xShmBarrier(Real(f)); }
int MemoriaSoltar(sqlite3_file* f, int b) { return Real(f)->pMethods->xShmUnmap(Real(f), b); }
int Traer(sqlite3_file* f, sqlite3_int64 o, int n, void** p) {
    return Real(f)->pMethods->xFetch(Real(f), o, n, p);
}
int Devolver(sqlite3_file* f, sqlite3_int64 o, void* p) { return Real(f)->pMethods->xUnfetch(Real(f), o, p); }

const sqlite3_io_methods kMetodos = {3,
                                     Cerrar,
                                     Leer,
                                     Escribir,
                                     Truncar,
                                     Sincronizar,
                                     Tamano,
                                     Bloquear,
                                     Desbloquear,
                                     Reservado,
                                     Control,
                                     Sector,
                                     Caracteristicas,
                                     MemoriaMapear,
                                     MemoriaBloquear,
                                     MemoriaBarrera,
                                     MemoriaSoltar,
                                     Traer,
                                     Devolver};

int Abrir(sqlite3_vfs*, sqlite3_filename nombre, sqlite3_file* f, int banderas, int* salida) {
    auto* a = reinterpret_cast<Archivo*>(f);
    a->base.pMethods = nullptr;
    a->real = reinterpret_cast<sqlite3_file*>(a + 1);
    const int rc = Contar(Llamada::Abrir);
    if (rc != SQLITE_OK) return rc;
    const int r = g.real->xOpen(g.real, nombre, a->real, banderas, salida);
    // Sin métodos, SQLite no llama a xClose: el real tampoco quedó abierto.
    if (a->real->pMethods) a->base.pMethods = &kMetodos;
    return r;
}
int Borrar(sqlite3_vfs*, const char* nombre, int sincronizar) {
    SEGUIR(Llamada::Borrar, g.real->xDelete(g.real, nombre, sincronizar));
}
int Existe(sqlite3_vfs*, const char* nombre, int pregunta, int* respuesta) {
    SEGUIR(Llamada::Existe, g.real->xAccess(g.real, nombre, pregunta, respuesta));
}
int RutaCompleta(sqlite3_vfs*, const char* n, int largo, char* salida) {
    return g.real->xFullPathname(g.real, n, largo, salida);
}
void* AbrirBiblioteca(sqlite3_vfs*, const char* n) { return g.real->xDlOpen(g.real, n); }
void FallaBiblioteca(sqlite3_vfs*, int n, char* m) { g.real->xDlError(g.real, n, m); }
void (*SimboloBiblioteca(sqlite3_vfs*, void* p, const char* s))(void) { return g.real->xDlSym(g.real, p, s); }
void CerrarBiblioteca(sqlite3_vfs*, void* p) { g.real->xDlClose(g.real, p); }
int Azar(sqlite3_vfs*, int n, char* b) { return g.real->xRandomness(g.real, n, b); }
int Dormir(sqlite3_vfs*, int us) { return g.real->xSleep(g.real, us); }
int Hora(sqlite3_vfs*, double* t) { return g.real->xCurrentTime(g.real, t); }
int UltimaFalla(sqlite3_vfs*, int n, char* m) { return g.real->xGetLastError(g.real, n, m); }
int Hora64(sqlite3_vfs*, sqlite3_int64* t) { return g.real->xCurrentTimeInt64(g.real, t); }

sqlite3_vfs g_vfs;

__attribute__((constructor)) void Registrar() {
    const char* pedido = std::getenv("GARANTIAS_FALLAS_DISCO");
    if (!pedido) return;
    g.fallarEn = std::strtol(pedido, nullptr, 10);
    g.siempre = std::strstr(pedido, "siempre") != nullptr;
    g.lleno = std::strstr(pedido, "lleno") != nullptr;
    if (const char* cuenta = std::getenv("GARANTIAS_FALLAS_CUENTA"))
        g.cuenta = ::open(cuenta, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    g.real = sqlite3_vfs_find("unix");
    if (!g.real) std::abort();
    g_vfs = sqlite3_vfs{2,
                        static_cast<int>(sizeof(Archivo)) + g.real->szOsFile,
                        g.real->mxPathname,
                        nullptr,
                        "fallas-de-disco",
                        nullptr,
                        Abrir,
                        Borrar,
                        Existe,
                        RutaCompleta,
                        AbrirBiblioteca,
                        FallaBiblioteca,
                        SimboloBiblioteca,
                        CerrarBiblioteca,
                        Azar,
                        Dormir,
                        Hora,
                        UltimaFalla,
                        Hora64};
    sqlite3_vfs_register(&g_vfs, 1);
}

}  // namespace
