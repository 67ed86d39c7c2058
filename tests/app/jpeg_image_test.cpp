// JPEG decoding through libjpeg, and the program's own pictures.

#include "app/jpeg_image.h"

#include <QTemporaryDir>
#include <QTest>

using scourwell::app::AssetPath;
using scourwell::app::DecodeJpeg;
using scourwell::app::LoadAsset;
using scourwell::app::LoadJpeg;

class JpegImageTest : public QObject {
    Q_OBJECT

  private slots:
    void statusPictures_data();
    void statusPictures();
    void productPictures();
    void decodesColours();
    void badInputGivesNullImage_data();
    void badInputGivesNullImage();
};

void JpegImageTest::statusPictures_data() {
    QTest::addColumn<QString>("file");
    for (const char* name :
         {"img_error", "img_warning", "img_info", "img_search", "img_ok", "img_person", "img_err"})
        QTest::newRow(name) << QString::fromLatin1(name) + QStringLiteral(".jpg");
}

void JpegImageTest::statusPictures() {
    QFETCH(QString, file);
    QVERIFY2(!AssetPath(file).isEmpty(), qPrintable(file));
    const QImage image = LoadAsset(file);
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), QSize(48, 48));
}

void JpegImageTest::productPictures() {
    for (const char* name : {"product_logo.jpg", "product_pc.jpg"}) {
        const QImage image = LoadAsset(QString::fromLatin1(name));
        QVERIFY2(!image.isNull(), name);
        QVERIFY(image.width() >= 64 && image.height() >= 64);
    }
}

void JpegImageTest::decodesColours() {
    // img_ok is a green disc on white: white in the corner, green inside the disc.
    const QImage image = LoadAsset(QStringLiteral("img_ok.jpg"));
    QVERIFY(!image.isNull());
    const QColor corner = image.pixelColor(1, 1);
    QVERIFY(corner.red() > 230 && corner.green() > 230 && corner.blue() > 230);
    const QColor disc = image.pixelColor(10, 24);
    QVERIFY2(disc.green() > disc.red() + 60 && disc.green() > disc.blue() + 60,
             qPrintable(disc.name()));
}

void JpegImageTest::badInputGivesNullImage_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("not a JPEG") << QByteArray("GIF89a this is no jpeg");
    QByteArray header = QByteArray::fromHex("FFD8FFE000104A46494600010100000100010000");
    QTest::newRow("header only") << header;
}

void JpegImageTest::badInputGivesNullImage() {
    QFETCH(QByteArray, bytes);
    QVERIFY(DecodeJpeg(bytes).isNull());

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bad.jpg"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    QVERIFY(LoadJpeg(path).isNull());
    QVERIFY(LoadJpeg(dir.filePath(QStringLiteral("missing.jpg"))).isNull());
}

QTEST_MAIN(JpegImageTest)
#include "jpeg_image_test.moc"
