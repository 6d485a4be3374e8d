// The program's secondary windows: one instance each, created on first use,
// destroyed when closed, with load and unload handlers.
#pragma once

#include "shell/Artwork.h"

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

    Form(Kind kind, int clientWidthTwips, int clientHeightTwips);

    // Runs once, right after the window is created.
    virtual void Form_Load() {}

    // Shows the window (centred on the main window the first time, when it is a
    // dialog) or, when it is already shown, brings it to the front.
    void showForm();

    // The window every dialog is centred on and owned by.
    static void setOwner(QWidget *owner);
    static QWidget *owner();

    // The colour a label's (or any control's) text is drawn in.
    static void setTextColour(QWidget *widget, const QColor &colour);

protected:
    // Runs however the window closes: by code, by a button or by its close box.
    virtual void Form_Unload() {}

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
    bool m_placed = false;
    QPushButton *m_defaultButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    std::optional<Artwork> m_picture;
};

namespace Forms {

template <class F> inline QPointer<F> single;

// The one open instance of F, created (and loaded) when there is none.
template <class F> F *instance() {
    if (!single<F>) {
        single<F> = new F;
        single<F>->Form_Load();
    }
    return single<F>;
}

// The open instance of F, or nullptr; never creates one.
template <class F> F *existing() {
    return single<F>;
}

template <class F> F *show() {
    F *form = instance<F>();
    form->showForm();
    return form;
}

} // namespace Forms
