#include "toolkit/Form.h"

#include "toolkit/Program.h"
#include "toolkit/Twips.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QWindow>

namespace {
Qt::WindowFlags flagsFor(Form::Kind kind) {
    // A fixed border with a close box only: no minimise, no maximise.
    const Qt::WindowFlags frame =
        Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
    return kind == Form::Kind::Dialog ? Qt::Dialog | frame | Qt::MSWindowsFixedSizeDialogHint
                                      : Qt::Window | frame;
}
} // namespace

Form::Form(Kind kind, int clientWidthTwips, int clientHeightTwips, QWidget *owner)
    : QWidget(nullptr, flagsFor(kind)), m_kind(kind), m_owner(owner) {
    // No Qt parent on purpose: disabling the main window would disable its child
    // windows too, and a dialog over the disabled main window must take input.
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(Twips::toPixels(clientWidthTwips), Twips::toPixels(clientHeightTwips));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11); // 8 points at 96 dots per inch
    setFont(font);
}

void Form::showForm() {
    if (isVisible()) {
        raise();
        activateWindow();
        return;
    }
    if (m_kind == Kind::Dialog && !m_placed && m_owner) {
        m_placed = true;
        move(m_owner->frameGeometry().center() - rect().center());
        winId(); // the native window must exist to be given an owner
        if (QWindow *own = m_owner->windowHandle())
            windowHandle()->setTransientParent(own);
    }
    show();
    raise();
    activateWindow();
}

void Form::closeEvent(QCloseEvent *event) {
    event->accept();
    if (Program::isEnding())
        return;
    closing();
    emit closed();
}

QLabel *Form::addLabel(const char *name, QRect where, const QString &text) {
    auto *label = new QLabel(text, this);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(where);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QPushButton *Form::addButton(const char *name, const QString &caption, QRect where) {
    auto *button = new QPushButton(caption, this);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(where);
    return button;
}

void Form::setTextColour(QWidget *widget, const QColor &colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

void Form::shrinkToFit(QLabel *label, int smallestPixelSize) {
    QFont font = label->font();
    while (font.pixelSize() > smallestPixelSize &&
           QFontMetrics(font).horizontalAdvance(label->text()) > label->width())
        font.setPixelSize(font.pixelSize() - 1);
    label->setFont(font);
}

void Form::setDefaultButton(QPushButton *button) {
    m_defaultButton = button;
    button->setDefault(true);
}

void Form::setBackgroundPicture(const QString &resource, QSize size) {
    m_picture.emplace(resource, size);
}

void Form::keyPressEvent(QKeyEvent *event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (auto *focused = qobject_cast<QPushButton *>(focusWidget())) {
            focused->click();
            return;
        }
        if (m_defaultButton) {
            m_defaultButton->click();
            return;
        }
        break;
    case Qt::Key_Escape:
        if (m_cancelButton) {
            m_cancelButton->click();
            return;
        }
        break;
    default:
        break;
    }
    QWidget::keyPressEvent(event);
}

void Form::paintEvent(QPaintEvent *event) {
    if (m_picture) {
        QPainter painter(this);
        painter.drawPixmap(0, 0, m_picture->at(devicePixelRatioF()));
    }
    QWidget::paintEvent(event);
}
