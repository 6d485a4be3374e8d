#include "toolkit/Artwork.h"

#include <QImage>
#include <future>
#include <optional>

namespace {

// The resource drawn for the ratio: the picture itself up to one device pixel
// a pixel, its "@2x" double beyond.
QString fileFor(const QString &resource, qreal ratio) {
    if (ratio <= 1)
        return resource;
    const qsizetype dot = resource.lastIndexOf(QLatin1Char('.'));
    return resource.left(dot) + QStringLiteral("@2x") + resource.mid(dot);
}

struct Preloaded {
    QString resource;
    QString file;
    std::future<QImage> image;
};

// The one picture read ahead, until its Artwork takes it (only the main
// thread touches this; the future hands the image over).
std::optional<Preloaded> &preloaded() {
    static std::optional<Preloaded> picture;
    return picture;
}

// The picture, from the one read ahead when it is this one. A picture read
// ahead for another ratio than the screen's is dropped on the first ask.
QPixmap load(const QString &resource, const QString &file) {
    std::optional<Preloaded> &ahead = preloaded();
    if (ahead && ahead->resource == resource) {
        QImage image = ahead->image.get();
        const bool same = ahead->file == file;
        ahead.reset();
        if (same)
            return QPixmap::fromImage(std::move(image));
    }
    return QPixmap(file);
}

} // namespace

void Artwork::preload(const QString &resource, qreal ratio) {
    const QString file = fileFor(resource, ratio);
    preloaded() =
        Preloaded{resource, file, std::async(std::launch::async, [file] { return QImage(file); })};
}

const QPixmap &Artwork::at(qreal ratio) {
    if (!m_pixmap.isNull() && qFuzzyCompare(m_pixmap.devicePixelRatio(), ratio))
        return m_pixmap;
    const QSize pixels = m_size * ratio;
    m_pixmap = load(m_resource, fileFor(m_resource, ratio));
    if (m_pixmap.size() != pixels)
        m_pixmap = m_pixmap.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    m_pixmap.setDevicePixelRatio(ratio);
    return m_pixmap;
}
