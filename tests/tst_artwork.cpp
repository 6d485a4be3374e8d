// The artwork drawn when the game is built: the same pixels Qt SVG draws at the size and
// ratio the game shows it, and sized right at ratios it was not drawn for.
#include "TestMain.h"
#include "toolkit/Artwork.h"

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
    // Every picture at both drawn densities; a block between them, drawn at its own size; a block
    // read ahead at start, taken only if read for the ratio asked; and a move to another screen.
    void samePixelsAsTheSource_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<qreal>("readAheadFor"); // 0: not read ahead
        const QList<std::pair<const char *, QSize>> pictures{
            {"background", {500, 350}}, {"block0", {23, 23}},     {"block1", {23, 23}},
            {"block2", {23, 23}},       {"block3", {23, 23}},     {"block4", {23, 23}},
            {"icon", {32, 32}},         {"bezvyhry", {500, 350}}, {"vyherni", {500, 350}},
        };
        for (const auto &[name, size] : pictures)
            for (qreal ratio : {1.0, 2.0})
                QTest::addRow("%s at %g", name, ratio)
                    << QString::fromLatin1(name) << size << ratio << 0.0;
        const QSize block(23, 23);
        QTest::newRow("block2 at 1.5") << u"block2"_qs << block << 1.5 << 0.0;
        QTest::newRow("read ahead for 1, asked at 1") << u"block2"_qs << block << 1.0 << 1.0;
        QTest::newRow("read ahead for 2, asked at 1") << u"block2"_qs << block << 1.0 << 2.0;
    }
    void samePixelsAsTheSource() {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QFETCH(qreal, ratio);
        QFETCH(qreal, readAheadFor);
        const QString resource = QStringLiteral(":/assets/%1.png").arg(name);
        if (readAheadFor > 0)
            Artwork::preload(resource, readAheadFor);
        Artwork art(resource, size);
        const QPixmap &pixmap = art.at(ratio);
        QCOMPARE(pixmap.size(), size * ratio);
        QCOMPARE(pixmap.devicePixelRatio(), ratio);
        if (ratio == 1 || ratio == 2)
            QCOMPARE(pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
                     fromSource(name, size, ratio));
        QCOMPARE(art.at(ratio == 2 ? 1 : 2).size(), ratio == 2 ? size : size * 2);
    }
};

TOQUEL_TEST_MAIN(ArtworkTest)
#include "tst_artwork.moc"
