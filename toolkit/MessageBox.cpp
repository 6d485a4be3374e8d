#include "toolkit/MessageBox.h"

#include <QMessageBox>

namespace {
MessageBox::Answerer answerer;
}

MessageBox::Answer MessageBox::run(QWidget *over, const Request &request) {
    if (answerer)
        return answerer(request);

    // A box owned by a disabled or hidden window would be disabled or hidden with it.
    QWidget *parent = over && over->isVisible() && over->isEnabled() ? over : nullptr;
    QMessageBox box(QMessageBox::NoIcon, request.title, request.text, QMessageBox::NoButton,
                    parent);
    if (request.buttons == Buttons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        // Esc or the close box of a Yes/No box means No; of an OK box, OK.
        return request.buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
    }
}

bool MessageBox::ask(QWidget *over, const QString &text, const QString &title) {
    return run(over, {title, text, Buttons::YesNo}) == Answer::Yes;
}

void MessageBox::inform(QWidget *over, const QString &text, const QString &title) {
    run(over, {title, text, Buttons::Ok});
}

void MessageBox::setAnswerer(Answerer a) {
    answerer = std::move(a);
}
