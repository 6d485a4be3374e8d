// The about window: the program's name, version and contact, and a way to the
// system information program where the machine has one.
#pragma once

#include "toolkit/Form.h"
#include "toolkit/Registry.h"

#include <functional>

// Where the system information program is looked up and how it is started.
struct SysInfoPlatform {
    Registry *registry = nullptr;
    std::function<bool(const QString &path)> fileExists;
    std::function<bool(const QString &program)> launch;

    // The machine's own registry, file system and process launcher.
    static SysInfoPlatform real();
};

class AboutWindow : public Form {
    Q_OBJECT
public:
    // contact: the e-mail address for questions and comments.
    AboutWindow(const QString &contact, QWidget *owner);

    // Starts the system information program, or tells the player it is unavailable.
    void startSystemInfo();

    // Tests look up and launch in a world of their own.
    void setSysInfoPlatform(SysInfoPlatform platform) { m_platform = std::move(platform); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool readValue(const QString &keyName, const QString &valueName, QString &value);

    SysInfoPlatform m_platform = SysInfoPlatform::real();
};
