// zr540ctl: the mouse from a script. See ctlrequest.h for the command line, ctlrunner.h for what
// each command does, and `zr540ctl --help` or man zr540ctl.
#include "ctlrequest.h"
#include "ctlrunner.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QTextStream>

#include <cstdio>

namespace {
// The engine's trace and warnings stay out of a script's output unless --verbose asks for them:
// every error zr540ctl reports is its own one line.
void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}
}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zr540"));  // the window's data folder
    QTextStream out(stdout);
    QTextStream err(stderr);

    Ctl::Request request;
    QString error;
    if (!Ctl::parse(QCoreApplication::arguments().mid(1), request, error)) {
        err << "zr540ctl: " << error << '\n';
        return Ctl::Usage;
    }
    if (request.verbose)
        QLoggingCategory::setFilterRules(QStringLiteral("zr540.*.debug=true"));
    else
        qInstallMessageHandler(quiet);
    return Ctl::run(request, out, err);
}
