#include "appearance.h"

#include "apppaths.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>

namespace {
constexpr int FontPointSize = 9;
}  // namespace

void applyAppearance(QApplication& app)
{
    // The application font when its file is there and holds a family; otherwise the default stays.
    const int id = QFontDatabase::addApplicationFont(AppPaths::fontFile());
    const QStringList families = id < 0 ? QStringList() : QFontDatabase::applicationFontFamilies(id);
    if (!families.isEmpty())
        QApplication::setFont(QFont(families.first(), FontPointSize));

    QFile file(QStringLiteral(":/style/zr540.qss"));
    if (file.open(QIODevice::ReadOnly))
        app.setStyleSheet(QString::fromUtf8(file.readAll()));
}
