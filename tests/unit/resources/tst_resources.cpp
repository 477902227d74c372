// The compiled-in resources: every picture the program loads is there, at the size its widgets are
// laid out for, and actually drawn (not an empty transparent canvas); the style sheet is there.
// The test links zr540_resources and never calls Q_INIT_RESOURCE: the resources must register
// themselves.
#include <QFile>
#include <QImage>
#include <QtTest>

class TestResources : public QObject {
    Q_OBJECT
private slots:
    void picture_data();
    void picture();
    void styleSheet();
};

void TestResources::picture_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");

    const QSize tab(150, 44);
    for (const char* shape : {"left", "centre", "right"}) {
        for (const char* state : {"", "_hl", "_s"}) {
            const QString path = QStringLiteral(":/picture/picture/tab_btn_%1%2.png").arg(shape, state);
            QTest::newRow(qPrintable(path)) << path << tab;
        }
    }
    const QList<QPair<QString, QSize>> others = {
        {QStringLiteral("set_btn_1"), QSize(110, 36)},    {QStringLiteral("set_btn_1_s"), QSize(110, 36)},
        {QStringLiteral("set_btn_2"), QSize(110, 36)},    {QStringLiteral("set_btn_2_s"), QSize(110, 36)},
        {QStringLiteral("bg_pop"), QSize(330, 179)},      {QStringLiteral("48-icon"), QSize(48, 48)},
        {QStringLiteral("128-128"), QSize(128, 128)},     {QStringLiteral("logo"), QSize(160, 40)},
        {QStringLiteral("btn_select2"), QSize(16, 16)},   {QStringLiteral("btn_select2_hl"), QSize(16, 16)},
        {QStringLiteral("btn_select2_s"), QSize(16, 16)}, {QStringLiteral("support_bg"), QSize(960, 400)},
    };
    for (const auto& p : others) {
        const QString path = QStringLiteral(":/picture/picture/%1.png").arg(p.first);
        QTest::newRow(qPrintable(path)) << path << p.second;
    }
    QTest::newRow(":/icon/picture/48-icon.png") << QStringLiteral(":/icon/picture/48-icon.png") << QSize(48, 48);
    QTest::newRow(":/icon/picture/128-128.png") << QStringLiteral(":/icon/picture/128-128.png") << QSize(128, 128);
}

void TestResources::picture()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);

    const QImage image(path);
    QVERIFY2(!image.isNull(), qPrintable(path));
    QCOMPARE(image.size(), size);

    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    bool drawn = false;
    for (int y = 0; y < argb.height() && !drawn; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width() && !drawn; ++x)
            drawn = qAlpha(line[x]) > 0;
    }
    QVERIFY2(drawn, "every pixel is transparent");
}

void TestResources::styleSheet()
{
    QFile file(QStringLiteral(":/style/zr540.qss"));
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QVERIFY(!QString::fromUtf8(file.readAll()).trimmed().isEmpty());
}

QTEST_GUILESS_MAIN(TestResources)
#include "tst_resources.moc"
