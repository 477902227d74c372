// The compiled-in resources: every picture the forms, the code and the style sheet name in full is there
// and actually drawn (not an empty transparent canvas), the icons at their sizes; the style sheet
// is there. The test links zr540_resources and never calls Q_INIT_RESOURCE: the resources must
// register themselves.
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QtTest>

#include <algorithm>

class TestResources : public QObject {
    Q_OBJECT
private slots:
    void everyNamedPictureIsDrawn()
    {
        QStringList named;
        const QRegularExpression name(QStringLiteral(R"(:/(picture|icon)/picture/[\w-]+\.png)"));
        for (const char* folder : {"app", "pages", "account", "forms", "resources/style"}) {
            QDirIterator files(QStringLiteral(ZR540_SOURCE_DIR "/") + folder, QDir::Files,
                               QDirIterator::Subdirectories);
            while (files.hasNext()) {
                QFile file(files.next());
                QVERIFY(file.open(QIODevice::ReadOnly));
                for (auto match = name.globalMatch(QString::fromUtf8(file.readAll())); match.hasNext();)
                    named << match.next().captured();
            }
        }
        named.removeDuplicates();
        QVERIFY(named.size() > 40);

        for (const QString& path : named) {
            const QImage alpha = QImage(path).convertToFormat(QImage::Format_Alpha8);
            QVERIFY2(!alpha.isNull(), qPrintable(path));
            bool drawn = false;
            for (int y = 0; y < alpha.height() && !drawn; ++y)
                drawn = std::any_of(alpha.constScanLine(y), alpha.constScanLine(y) + alpha.width(),
                                    [](uchar a) { return a != 0; });
            QVERIFY2(drawn, qPrintable(path + ": every pixel is transparent"));
        }
        QCOMPARE(QImage(":/icon/picture/48-icon.png").size(), QSize(48, 48));
        QCOMPARE(QImage(":/icon/picture/128-128.png").size(), QSize(128, 128));
        QVERIFY(QFile(QStringLiteral(":/style/zr540.qss")).size() > 0);  // its pictures are among those above
    }
};

QTEST_GUILESS_MAIN(TestResources)
#include "tst_resources.moc"
