#include "shell/Artwork.h"

namespace {

// The resource drawn for the ratio: the picture itself up to one device pixel
// a pixel, its "@2x" double beyond.
QString fileFor(const QString &resource, qreal ratio) {
    if (ratio <= 1)
        return resource;
    const qsizetype dot = resource.lastIndexOf(QLatin1Char('.'));
    return resource.left(dot) + QStringLiteral("@2x") + resource.mid(dot);
}

} // namespace

const QPixmap &Artwork::at(qreal ratio) {
    if (!m_pixmap.isNull() && qFuzzyCompare(m_pixmap.devicePixelRatio(), ratio))
        return m_pixmap;
    const QSize pixels = m_size * ratio;
    m_pixmap = QPixmap(fileFor(m_resource, ratio));
    if (m_pixmap.size() != pixels)
        m_pixmap = m_pixmap.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    m_pixmap.setDevicePixelRatio(ratio);
    return m_pixmap;
}
