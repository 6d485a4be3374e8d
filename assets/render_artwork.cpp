// Build tool: renders the game's SVG artwork into the PNGs the game embeds, so
// the game itself never parses SVG.
//   render_artwork SOURCE.svg WIDTH HEIGHT OUTPUT.png
// writes OUTPUT.png at WIDTH x HEIGHT and OUTPUT@2x.png at twice that, the
// name Qt's convention gives the picture for a screen of twice the density.
// Drawn exactly as the game used to draw it at run time: a transparent picture
// at the device-pixel ratio, the SVG painted over its logical size.
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

namespace {

QImage render(QSvgRenderer &svg, QSize size, int ratio) {
    QImage image(size * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    svg.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    // A picture with no see-through pixel is stored without alpha: a smaller
    // file that the game loads straight into an opaque pixmap.
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(line[x]) != 255)
                return image;
    }
    return image.convertToFormat(QImage::Format_RGB32);
}

} // namespace

int main(int argc, char **argv) {
    // No display at build time; the texts of the pictures still need fonts.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    bool wide = false;
    bool high = false;
    const QSize size(args.value(2).toInt(&wide), args.value(3).toInt(&high));
    if (args.size() != 5 || !wide || !high || size.isEmpty()) {
        std::fprintf(stderr, "usage: render_artwork SOURCE.svg WIDTH HEIGHT OUTPUT.png\n");
        return 2;
    }
    QSvgRenderer svg(args[1]);
    if (!svg.isValid()) {
        std::fprintf(stderr, "render_artwork: cannot read %s\n", qPrintable(args[1]));
        return 1;
    }
    const QFileInfo output(args[4]);
    const QString doubled =
        output.path() + QLatin1Char('/') + output.completeBaseName() + QStringLiteral("@2x.png");
    if (!render(svg, size, 1).save(output.filePath(), "PNG") ||
        !render(svg, size, 2).save(doubled, "PNG")) {
        std::fprintf(stderr, "render_artwork: cannot write %s\n", qPrintable(output.filePath()));
        return 1;
    }
    return 0;
}
