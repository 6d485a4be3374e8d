// The base of the program's secondary windows: placed at their designed size,
// destroyed when closed, and telling whoever opened them that they closed.
#pragma once

#include "toolkit/Artwork.h"

#include <QPointer>
#include <QWidget>
#include <optional>

class QLabel;
class QPushButton;

class Form : public QWidget {
    Q_OBJECT
public:
    enum class Kind {
        Dialog, // owned by the main window: kept in front of it, not in the task bar
        Window, // stands on its own while the main window is hidden
    };

    // `owner` is the window a dialog is centred on and kept in front of.
    Form(Kind kind, int clientWidthTwips, int clientHeightTwips, QWidget *owner = nullptr);

    // Shows the window (centred on its owner the first time, when it is a
    // dialog) or, when it is already shown, brings it to the front.
    void showForm();

    // The colour a label's (or any control's) text is drawn in.
    static void setTextColour(QWidget *widget, const QColor &colour);

signals:
    // The window closed, however it closed: by code, by a button or by its close box.
    void closed();

protected:
    // Runs however the window closes, before closed() goes out.
    virtual void closing() {}

    // Controls at their designed places (in pixels; see Twips::rect).
    QLabel *addLabel(const char *name, QRect where, const QString &text = {});
    QPushButton *addButton(const char *name, const QString &caption, QRect where);

    // Enter presses the focused button, or else the default button; Esc the cancel button.
    void setDefaultButton(QPushButton *button);
    void setCancelButton(QPushButton *button) { m_cancelButton = button; }

    // Makes a one-line label's font smaller until its text fits its width:
    // addresses fixed at build time can be longer than the designed ones.
    static void shrinkToFit(QLabel *label, int smallestPixelSize = 9);

    // A picture of the artwork filling the window from its top left corner.
    void setBackgroundPicture(const QString &resource, QSize size);

    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    Kind m_kind;
    QPointer<QWidget> m_owner;
    bool m_placed = false;
    QPushButton *m_defaultButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    std::optional<Artwork> m_picture;
};
