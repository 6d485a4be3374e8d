#include "shell/SvgPicture.h"

#include <QPainter>
#include <QSvgRenderer>

const QPixmap &SvgPicture::at(qreal ratio) {
    if (!m_pixmap.isNull() && qFuzzyCompare(m_pixmap.devicePixelRatio(), ratio))
        return m_pixmap;
    m_pixmap = QPixmap(m_size * ratio);
    m_pixmap.setDevicePixelRatio(ratio);
    m_pixmap.fill(Qt::transparent);
    QSvgRenderer svg(m_resource);
    QPainter painter(&m_pixmap);
    svg.render(&painter, QRectF(QPointF(0, 0), QSizeF(m_size)));
    return m_pixmap;
}
