// Writes the factory profile file (Config0.txt) from the mouse's factory settings: the settings
// area of FactoryProfile::block() and sixteen empty macro slots.
//
//   zr540-factory-profile <output file>
#include "factoryprofile.h"
#include "profilefile.h"
#include "wholefile.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream err(stderr);
    if (args.size() != 2) {
        err << "usage: zr540-factory-profile <output file>\n";
        return 2;
    }
    WholeStruct record;
    record.copySettingsFrom(FactoryProfile::block());
    if (!writeWholeFile(args.at(1), ProfileFile::encode(record))) {
        err << "cannot write " << args.at(1) << "\n";
        return 1;
    }
    return 0;
}
