// A displayed value: a black shadow label with a white copy just right and below it.
#pragma once

#include <QLabel>
#include <QRect>

class LabelPair {
public:
    // `name` is the pair's name; the labels become name_0 (shadow) and name_1.
    LabelPair(QWidget *parent, const QString &name, QRect shadow, QRect face, int pixelSize);

    // The shadow takes the caption first, the white copy then takes the shadow's.
    void setCaption(const QString &caption);
    QString caption() const { return m_shadow->text(); }

private:
    QLabel *m_shadow;
    QLabel *m_face;
};
