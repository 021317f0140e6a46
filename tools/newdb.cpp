// ronvalo-newdb FOLDER: makes FOLDER/db/ with the three empty tables and FOLDER/txt/.
#include <QCoreApplication>
#include <QTextStream>

#include "store/schema.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "Użycie: ronvalo-newdb FOLDER\n"
               "Tworzy FOLDER/db/ z trzema pustymi tabelami oraz FOLDER/txt/.\n";
        return 2;
    }
    QString error;
    if (!ronvalo::createEmptyDatabase(QString::fromLocal8Bit(argv[1]), &error)) {
        err << "ronvalo-newdb: " << error << '\n';
        return 1;
    }
    return 0;
}
