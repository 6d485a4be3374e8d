#include "toolkit/LabelPair.h"

#include "toolkit/Form.h"

namespace {
QLabel *makeLabel(QWidget *parent, const QString &name, QRect where, int pixelSize,
                  Qt::GlobalColor colour) {
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setGeometry(where);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setTextFormat(Qt::PlainText);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(pixelSize);
    font.setBold(true);
    label->setFont(font);
    Form::setTextColour(label, colour);
    // A label takes no presses: they belong to the field behind it.
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}
} // namespace

LabelPair::LabelPair(QWidget *parent, const QString &name, QRect shadow, QRect face, int pixelSize)
    : m_shadow(makeLabel(parent, name + QStringLiteral("_0"), shadow, pixelSize, Qt::black)),
      m_face(makeLabel(parent, name + QStringLiteral("_1"), face, pixelSize, Qt::white)) {}

void LabelPair::setCaption(const QString &caption) {
    m_shadow->setText(caption);
    m_face->setText(m_shadow->text());
}
