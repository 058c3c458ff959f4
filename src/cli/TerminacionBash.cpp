#include "cli/TerminacionBash.h"

#include <QStringList>

#include "cli/Verbos.h"

namespace {
QStringList Etiquetas(const std::vector<Opcion>& opciones) {
    QStringList etiquetas;
    for (const Opcion& o : opciones) {
        etiquetas << QStringLiteral("--") + o.nombre;
        if (!o.corta.isEmpty()) etiquetas << QStringLiteral("-") + o.corta;
    }
    return etiquetas;
}
}  // namespace

QString TerminacionBash() {
    QStringList nombres, conValor, conArchivo;
    QString casos;
    for (const Verbo& v : Verbos()) {
        nombres << v.nombre;
        for (const Opcion& o : v.opciones) {
            if (o.esBandera()) continue;
            const QString etiqueta = QStringLiteral("--") + o.nombre;
            if (!conValor.contains(etiqueta)) conValor << etiqueta;
            if (o.tomaArchivo() && !conArchivo.contains(etiqueta)) conArchivo << etiqueta;
        }
        casos +=
            QStringLiteral("        %1) opciones=\"%2\" palabras=\"%3\" archivo=%4 ;;\n")
                .arg(v.nombre, (Etiquetas(v.opciones) << QStringLiteral("--help")).join(' '),
                     v.palabras.join(' '), v.tomaArchivo() ? QStringLiteral("si") : QStringLiteral("no"));
    }
    const QString nada = QStringLiteral("--no-hay-opcion-asi");  // un patrón de case que nunca se da
    return QStringLiteral(
               "# Terminación de bash para garantias-cli (escrita por garantias-cli --terminacion-bash).\n"
               "_garantias_cli() {\n"
               "    local actual=\"${COMP_WORDS[COMP_CWORD]}\" anterior=\"${COMP_WORDS[COMP_CWORD-1]}\"\n"
               "    local verbo=\"\" sueltos=0 saltar=0 solo_sueltos=0 i palabra\n"
               "    local opciones palabras archivo\n"
               "    COMPREPLY=()\n"
               "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
               "        palabra=\"${COMP_WORDS[i]}\"\n"
               "        if ((saltar)); then saltar=0; continue; fi\n"
               "        if ((!solo_sueltos)); then\n"
               "            case \"$palabra\" in\n"
               "                --) solo_sueltos=1; continue ;;\n"
               "                %1) saltar=1; continue ;;\n"
               "                -?*) continue ;;\n"
               "            esac\n"
               "        fi\n"
               "        if [[ -z \"$verbo\" ]]; then verbo=\"$palabra\"; else sueltos=$((sueltos + 1)); fi\n"
               "    done\n"
               "    if ((!solo_sueltos)); then\n"
               "        case \"$anterior\" in\n"
               "            %2) COMPREPLY=($(compgen -f -- \"$actual\")); return 0 ;;\n"
               "            %1) return 0 ;;\n"
               "        esac\n"
               "    fi\n"
               "    if [[ -z \"$verbo\" ]]; then\n"
               "        if [[ \"$actual\" == -* ]]; then\n"
               "            COMPREPLY=($(compgen -W \"%3\" -- \"$actual\"))\n"
               "        else\n"
               "            COMPREPLY=($(compgen -W \"%4\" -- \"$actual\"))\n"
               "        fi\n"
               "        return 0\n"
               "    fi\n"
               "    case \"$verbo\" in\n"
               "%5"
               "        *) return 0 ;;\n"
               "    esac\n"
               "    if ((!solo_sueltos)) && [[ \"$actual\" == -* ]]; then\n"
               "        COMPREPLY=($(compgen -W \"$opciones\" -- \"$actual\"))\n"
               "    elif ((sueltos == 0)) && [[ -n \"$palabras\" ]]; then\n"
               "        COMPREPLY=($(compgen -W \"$palabras\" -- \"$actual\"))\n"
               "    elif [[ \"$archivo\" == si ]]; then\n"
               "        COMPREPLY=($(compgen -f -- \"$actual\"))\n"
               "    fi\n"
               "    return 0\n"
               "}\n"
               "complete -o filenames -F _garantias_cli garantias-cli\n")
        .arg(conValor.isEmpty() ? nada : conValor.join('|'),
             conArchivo.isEmpty() ? nada : conArchivo.join('|'), Etiquetas(OpcionesGenerales()).join(' '),
             nombres.join(' '), casos);
}
