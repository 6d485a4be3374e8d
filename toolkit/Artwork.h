// A picture of the game's artwork, drawn from its SVG when the game was built,
// at one and at two device pixels a pixel (name.png and name@2x.png).
#pragma once

#include <QPixmap>
#include <QString>

class Artwork {
public:
    // `resource` names the picture for one device pixel a pixel, ":/assets/name.png".
    Artwork(QString resource, QSize size) : m_resource(std::move(resource)), m_size(size) {}

    // The picture at the given device-pixel ratio; loaded again only when the
    // ratio changes. Ratios other than 1 and 2 get the nearest larger picture
    // (the largest, past 2) scaled to size.
    const QPixmap &at(qreal ratio);

    // Starts reading a picture for the ratio on a thread of its own, so that
    // it is ready when the first Artwork of it asks; for the large picture of
    // the first frame, which would otherwise hold that frame up.
    static void preload(const QString &resource, qreal ratio);

private:
    QString m_resource;
    QSize m_size;
    QPixmap m_pixmap;
};
