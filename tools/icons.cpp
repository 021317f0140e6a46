// ronvalo-icons FOLDER: writes the program's icon as FOLDER/<n>x<n>/apps/ronvalo.png for every
// size of an icon theme, the tree that goes under /usr/share/icons/hicolor/.
#include <QDir>
#include <QGuiApplication>
#include <QTextStream>

#include "desktop/app/program_icon.h"

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "Usage: ronvalo-icons FOLDER\n";
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    for (const int size : ronvalo::programIconSizes) {
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(root).arg(size);
        const QString file = folder + QStringLiteral("/ronvalo.png");
        if (!QDir().mkpath(folder) || !ronvalo::drawProgramIcon(size).save(file, "PNG")) {
            err << "ronvalo-icons: cannot write " << file << '\n';
            return 1;
        }
    }
    return 0;
}
