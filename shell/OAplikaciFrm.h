// The about window: the program's name, version and contact, and a way to the
// system information program where the machine has one.
#pragma once

#include "shell/Form.h"
#include "shell/Registry.h"

#include <functional>

// Where the system information program is looked up and how it is started.
struct SysInfoPlatform {
    Registry *registry = nullptr;
    std::function<bool(const QString &path)> fileExists;
    std::function<bool(const QString &program)> launch;

    // The machine's own registry, file system and process launcher.
    static SysInfoPlatform real();
};

class OAplikaciFrm : public Form {
    Q_OBJECT
public:
    OAplikaciFrm();

    void cmdOK_Click();
    void cmdSysInfo_Click();
    // Starts the system information program, or tells the player it is unavailable.
    void StartSysInfo();

    // Tests look up and launch in a world of their own.
    void setSysInfoPlatform(SysInfoPlatform platform) { m_platform = std::move(platform); }

protected:
    void Form_Unload() override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool GetKeyValue(Registry::Root root, const QString &keyName, const QString &valueName,
                     QString &value);

    SysInfoPlatform m_platform = SysInfoPlatform::real();
};
