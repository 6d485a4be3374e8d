// Modal message boxes: a title, a text, OK or Yes and No, no icon, the first
// button the default. They run their own event loop, so unlocked clocks tick on.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace MessageBox {

enum class Buttons { Ok, YesNo };
enum class Answer { Ok, Yes, No };

struct Request {
    QString title;
    QString text;
    Buttons buttons = Buttons::Ok;
};

Answer run(QWidget *over, const Request &request);

// Yes/No question; true for Yes.
bool ask(QWidget *over, const QString &text, const QString &title);
void inform(QWidget *over, const QString &text, const QString &title);

// The seam for tests: while set, boxes are not shown and this answers them.
using Answerer = std::function<Answer(const Request &)>;
void setAnswerer(Answerer answerer);

} // namespace MessageBox
