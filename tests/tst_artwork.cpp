// The artwork drawn when the game is built: the same pixels the SVG gives when
// Qt SVG draws it at the size and ratio the game shows it, and sized right at
// ratios it was not drawn for.
#include "TestMain.h"
#include "shell/Artwork.h"

#include <QPainter>
#include <QSvgRenderer>

namespace {

// The SVG drawn the way the game used to draw it while it ran.
QImage fromSource(const QString &name, QSize size, qreal ratio) {
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer svg(QStringLiteral(TOQUEL_ASSETS_DIR "/%1.svg").arg(name));
    QPainter painter(&pixmap);
    svg.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

class ArtworkTest : public QObject {
    Q_OBJECT
private slots:
    void samePixelsAsTheSource_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<qreal>("ratio");
        const QList<std::pair<const char *, QSize>> pictures{
            {"background", {500, 350}}, {"block0", {23, 23}},     {"block1", {23, 23}},
            {"block2", {23, 23}},       {"block3", {23, 23}},     {"block4", {23, 23}},
            {"icon", {32, 32}},         {"bezvyhry", {500, 350}}, {"vyherni", {500, 350}},
        };
        for (const auto &[name, size] : pictures)
            for (qreal ratio : {1.0, 2.0})
                QTest::addRow("%s at %g", name, ratio)
                    << QString::fromLatin1(name) << size << ratio;
    }
    void samePixelsAsTheSource() {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QFETCH(qreal, ratio);
        Artwork art(QStringLiteral(":/assets/%1.png").arg(name), size);
        const QPixmap &pixmap = art.at(ratio);
        QCOMPARE(pixmap.devicePixelRatio(), ratio);
        const QImage built = pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        const QImage source = fromSource(name, size, ratio);
        QCOMPARE(built, source);
    }

    // Screens between and past the two drawn densities get a picture of their own size, and
    // a change of screen is followed. The picture read ahead at start goes to the first
    // Artwork of it only when it was read for the ratio asked (0: none read ahead).
    void sizedForEachRatio_data() {
        QTest::addColumn<qreal>("readAheadFor");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<QSize>("pixels");
        QTest::newRow("1.5") << 0.0 << 1.5 << QSize(35, 35);
        QTest::newRow("3") << 0.0 << 3.0 << QSize(69, 69);
        QTest::newRow("read ahead for 1, asked at 1") << 1.0 << 1.0 << QSize(23, 23);
        QTest::newRow("read ahead for 2, asked at 1") << 2.0 << 1.0 << QSize(23, 23);
        QTest::newRow("read ahead for 1, asked at 2") << 1.0 << 2.0 << QSize(46, 46);
    }
    void sizedForEachRatio() {
        QFETCH(qreal, readAheadFor);
        QFETCH(qreal, ratio);
        const QString resource = QStringLiteral(":/assets/block2.png");
        if (readAheadFor > 0)
            Artwork::preload(resource, readAheadFor);
        Artwork block(resource, QSize(23, 23));
        const QPixmap &pixmap = block.at(ratio);
        QTEST(pixmap.size(), "pixels");
        QCOMPARE(pixmap.devicePixelRatio(), ratio);
        QCOMPARE(pixmap.toImage(), Artwork(resource, QSize(23, 23)).at(ratio).toImage());
        QCOMPARE(block.at(ratio == 2 ? 1 : 2).size(), ratio == 2 ? QSize(23, 23) : QSize(46, 46));
    }
};

TOQUEL_TEST_MAIN(ArtworkTest)
#include "tst_artwork.moc"
