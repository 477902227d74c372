// The OLED picture: what reaches the mouse (packed into the display's pages), and what is not sent.
#include "enginefixture.h"
#include "oledframe.h"
#include "wholefile.h"

#include <QImage>

namespace {
// A 128 × 32 one-bit picture with every pixel bit `fill`, and `zeros` pixels set to bit 0.
QImage picture(int fill, QList<QPoint> zeros = {})
{
    QImage image(128, 32, QImage::Format_MonoLSB);
    image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    image.fill(fill);
    for (const QPoint& p : zeros)
        image.setPixel(p, 0);
    return image;
}
}  // namespace

class TestOledUpload : public QObject {
    Q_OBJECT
private slots:
    void upload()
    {
        EngineFixture f;
        // Qt's BMP writer puts white at palette index 0, so the white pixel is the lit one.
        QImage drawing = picture(0);
        drawing.setPixel(5, 9, 1);
        QVERIFY(drawing.save(AppPaths::pictureFile(), "BMP"));
        f.engine->slot_WriteImageToMouse();
        const auto sent = f.mouse().picture();
        for (int i = 0; i < 1024; ++i)
            QCOMPARE(int(sent[std::size_t(i)]), i == 133 || i == 645 ? 0x40 : 0);  // page 1, row 1, x 5: twice
    }

    void unusablePictureIsNotSent_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("missing") << "missing";
        QTest::newRow("64 x 32") << "small";
        QTest::newRow("a cut BMP") << "cut";
    }

    void unusablePictureIsNotSent()
    {
        QFETCH(QString, kind);
        EngineFixture f;
        const QString path = AppPaths::pictureFile();
        if (kind == "small")
            QVERIFY(picture(0).copy(0, 0, 64, 32).save(path, "BMP"));
        QByteArray content;
        if (kind == "cut")
            QVERIFY(picture(0).save(path, "BMP") && readWholeFile(path, content)
                    && writeWholeFile(path, content.left(40)));
        f.engine->slot_WriteImageToMouse();
        // The display keeps its picture.
        QVERIFY(f.session.reports(Sim::Transfer::SetFeature, Sim::Role::Data).empty());
    }
};

QTEST_GUILESS_MAIN(TestOledUpload)
#include "tst_oled_upload.moc"
