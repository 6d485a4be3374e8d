// A picture of the game's artwork, drawn from its SVG once per device-pixel
// ratio so that it stays crisp on any screen.
#pragma once

#include <QPixmap>
#include <QString>

class SvgPicture {
public:
    SvgPicture(QString resource, QSize size) : m_resource(std::move(resource)), m_size(size) {}

    // The picture at the given ratio; drawn again only when the ratio changes.
    const QPixmap &at(qreal ratio);

private:
    QString m_resource;
    QSize m_size;
    QPixmap m_pixmap;
};
