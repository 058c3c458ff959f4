#include "import/ui/SelectorArchivoQt.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QIdentityProxyModel>

#include "platform/Regional.h"

namespace {
// Columnas del modelo de archivos de Qt: nombre, tamaño, tipo, fecha de modificación.
constexpr int kColumnaTipo = 2;
constexpr int kColumnaFecha = 3;

class ColumnasEnEspanol : public QIdentityProxyModel {
  public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& indice, int papel) const override {
        const auto* archivos = qobject_cast<const QFileSystemModel*>(sourceModel());
        const int columna = indice.column();
        if (!archivos || papel != Qt::DisplayRole || (columna != kColumnaTipo && columna != kColumnaFecha))
            return QIdentityProxyModel::data(indice, papel);
        const QFileInfo info = archivos->fileInfo(mapToSource(indice));
        if (columna == kColumnaFecha)
            return Regional::Formato(info.lastModified(), QStringLiteral("dd/mm/yyyy hh:nn"));
        if (info.isDir()) return QStringLiteral("Carpeta");
        if (info.isSymLink()) return QStringLiteral("Acceso directo");
        const QString extension = info.suffix();
        return extension.isEmpty() ? QStringLiteral("Archivo") : QStringLiteral("Archivo ") + extension;
    }
};
}  // namespace

QAbstractProxyModel* ColumnasArchivosEnEspanol(QObject* dueno) { return new ColumnasEnEspanol(dueno); }

void EnEspanol(QFileDialog& dialogo) { dialogo.setProxyModel(ColumnasArchivosEnEspanol(&dialogo)); }

std::optional<QString> SelectorArchivoQt::elegir(const QString& titulo, const QString& carpetaInicial) {
    QFileDialog dialogo(dueno_, titulo, carpetaInicial);
    dialogo.setOption(QFileDialog::DontUseNativeDialog);
    dialogo.setFileMode(QFileDialog::ExistingFile);
    dialogo.setAcceptMode(QFileDialog::AcceptOpen);
    EnEspanol(dialogo);
    if (dialogo.exec() != QDialog::Accepted || dialogo.selectedFiles().isEmpty()) return std::nullopt;
    return dialogo.selectedFiles().constFirst();
}
