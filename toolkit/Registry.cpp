#include "toolkit/Registry.h"

#include <QtEndian>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

// Values are read through a buffer of this size; a longer one counts as unreadable.
constexpr quint32 kBufferSize = 1024;

#ifdef Q_OS_WIN

class WindowsRegistry final : public Registry {
public:
    bool openKey(Root root, const QString &path, Key &key) override {
        static_assert(kReadAccess == KEY_READ);
        HKEY opened = nullptr;
        if (RegOpenKeyExA(handle(root), path.toLocal8Bit().constData(), 0, kReadAccess, &opened) !=
            ERROR_SUCCESS)
            return false;
        key = reinterpret_cast<Key>(opened);
        return true;
    }

    bool queryValue(Key key, const QString &name, quint32 &type, QByteArray &buffer,
                    quint32 &size) override {
        DWORD valueType = 0;
        DWORD length = qMin<DWORD>(size, DWORD(buffer.size()));
        if (RegQueryValueExA(reinterpret_cast<HKEY>(key), name.toLocal8Bit().constData(), nullptr,
                             &valueType, reinterpret_cast<LPBYTE>(buffer.data()),
                             &length) != ERROR_SUCCESS)
            return false;
        type = valueType;
        size = length;
        return true;
    }

    void closeKey(Key key) override { RegCloseKey(reinterpret_cast<HKEY>(key)); }

private:
    static HKEY handle(Root root) {
        switch (root) {
        case Root::ClassesRoot:
            return HKEY_CLASSES_ROOT;
        case Root::CurrentUser:
            return HKEY_CURRENT_USER;
        case Root::LocalMachine:
            break;
        }
        return HKEY_LOCAL_MACHINE;
    }
};

using SystemRegistry = WindowsRegistry;

#else

class NoRegistry final : public Registry {
public:
    bool openKey(Root, const QString &, Key &) override { return false; }
    bool queryValue(Key, const QString &, quint32 &, QByteArray &, quint32 &) override {
        return false;
    }
    void closeKey(Key) override {}
};

using SystemRegistry = NoRegistry;

#endif

} // namespace

Registry &Registry::system() {
    static SystemRegistry registry;
    return registry;
}

bool readRegistryValue(Registry &registry, Registry::Root root, const QString &keyName,
                       const QString &valueName, QString &value) {
    Registry::Key key = 0;
    bool opened = false;
    const auto fail = [&] {
        value.clear();
        if (opened)
            registry.closeKey(key);
        return false;
    };

    opened = registry.openKey(root, keyName, key);
    if (!opened)
        return fail();

    QByteArray buffer(kBufferSize, '\0');
    quint32 size = kBufferSize;
    quint32 type = 0;
    if (!registry.queryValue(key, valueName, type, buffer, size) || size > kBufferSize)
        return fail();

    // Text is stored with its terminating NUL; an empty value has no last byte to look at.
    QByteArray data = buffer.left(size);
    if (data.isEmpty())
        return fail();
    if (data.back() == '\0')
        data.chop(1);

    switch (type) {
    case Registry::kText:
        value = QString::fromLocal8Bit(data);
        break;
    case Registry::kNumber:
        // The whole buffer, not the cut data: a number ending in a zero byte lost it above.
        value = QString::number(qFromLittleEndian<qint32>(buffer.constData()));
        break;
    default:
        break;
    }

    registry.closeKey(key);
    return true;
}
