#include "windows/AboutWindow.h"

#include "toolkit/Artwork.h"
#include "toolkit/MessageBox.h"
#include "toolkit/Twips.h"

#include <QFileInfo>
#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QPushButton>

namespace {

// The program icon, drawn for the screen it is on.
class IconBox : public QWidget {
public:
    IconBox(QWidget *parent, QRect where)
        : QWidget(parent), m_icon(QStringLiteral(":/assets/icon.png"), QSize(32, 32)) {
        setGeometry(where);
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        const QPixmap &icon = m_icon.at(devicePixelRatioF());
        painter.drawPixmap((width() - 32) / 2, (height() - 32) / 2, icon);
    }

private:
    Artwork m_icon;
};

// The etched rule between the description and the contact: a grey line over a white one,
// both from x = 75 to x = 5625 twips, the last pixel included.
constexpr int kRuleLeft = 75;
constexpr int kRuleWidth = 5625 - kRuleLeft + Twips::kPerPixel;
constexpr QRect kRuleShadow = Twips::rect(kRuleLeft, 1635, kRuleWidth, 15);
constexpr QRect kRuleLight = Twips::rect(kRuleLeft, 1650, kRuleWidth, 30);

} // namespace

SysInfoPlatform SysInfoPlatform::real() {
    return {
        &Registry::system(),
        [](const QString &path) { return QFileInfo(path).isFile(); },
        [](const QString &program) { return QProcess::startDetached(program, {}); },
    };
}

AboutWindow::AboutWindow(const QString &contact, QWidget *owner)
    : Form(Kind::Dialog, 5730, 2730, owner) {
    setObjectName(QStringLiteral("OAplikaciFrm"));
    setWindowTitle(QStringLiteral("O aplikaci"));

    auto *icon = new IconBox(this, Twips::rect(240, 240, 540, 540));
    icon->setObjectName(QStringLiteral("picIcon"));

    QLabel *title =
        addLabel("lblTitle", Twips::rect(1170, 240, 3885, 480), QStringLiteral("Toquel"));
    QFont titleFont = font();
    titleFont.setPixelSize(24);
    titleFont.setBold(true);
    title->setFont(titleFont);
    setTextColour(title, Qt::black);

    addLabel("lblVersion", Twips::rect(1170, 780, 3885, 225),
             QStringLiteral("Verze ") + QStringLiteral(TOQUEL_VERSION));

    QLabel *description =
        addLabel("lblDescription", Twips::rect(1170, 1125, 3885, 525),
                 QStringLiteral("Arkádová logická hra: posílejte barevné kostičky do sloupečků "
                                "stejné barvy."));
    description->setWordWrap(true);
    setTextColour(description, Qt::black);

    QLabel *disclaimer = addLabel(
        "lblDisclaimer", Twips::rect(225, 1815, 3360, 825),
        QStringLiteral("Veškeré dotazy a přípomínky k této hře směřujte, prosím, na e-mailovou "
                       "adresu: ") +
            contact);
    disclaimer->setWordWrap(true);
    setTextColour(disclaimer, Qt::black);

    QPushButton *ok = addButton("cmdOK", QStringLiteral("OK"), Twips::rect(4215, 1815, 1260, 345));
    QPushButton *sysInfo = addButton("cmdSysInfo", QStringLiteral("&System Info..."),
                                     Twips::rect(4230, 2265, 1245, 345));
    connect(ok, &QPushButton::clicked, this, &QWidget::close);
    connect(sysInfo, &QPushButton::clicked, this, &AboutWindow::startSystemInfo);
    setDefaultButton(ok);
    setCancelButton(ok);
    setTabOrder(ok, sysInfo);
    ok->setFocus();
}

void AboutWindow::startSystemInfo() {
    const auto unavailable = [this] {
        MessageBox::inform(this, QStringLiteral("System Information Is Unavailable At This Time"),
                           QStringLiteral("Toquel"));
    };

    QString program;
    if (!readValue(QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                   QStringLiteral("PATH"), program)) {
        // Some systems name only the folder the program is in.
        QString folder;
        if (!readValue(QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                       QStringLiteral("MSINFO"), folder))
            return unavailable();
        program = folder + QStringLiteral("\\MSINFO32.EXE");
        if (!m_platform.fileExists(program))
            return unavailable();
    }

    if (program.isEmpty() || !m_platform.launch(program))
        unavailable();
}

bool AboutWindow::readValue(const QString &keyName, const QString &valueName, QString &value) {
    return readRegistryValue(*m_platform.registry, Registry::Root::LocalMachine, keyName, valueName,
                             value);
}

void AboutWindow::paintEvent(QPaintEvent *event) {
    Form::paintEvent(event);
    QPainter painter(this);
    painter.fillRect(kRuleShadow, QColor(128, 128, 128));
    painter.fillRect(kRuleLight, Qt::white);
}
