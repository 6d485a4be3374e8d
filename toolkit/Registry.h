// The Windows registry, as far as the game reads it: one value of one key.
// Elsewhere there is no registry, and every key is missing.
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

class Registry {
public:
    // The predefined keys a path starts from (the values Windows gives them).
    enum class Root : quint32 {
        ClassesRoot = 0x80000000u,
        CurrentUser = 0x80000001u,
        LocalMachine = 0x80000002u,
    };

    // Value types.
    static constexpr quint32 kText = 1;   // REG_SZ
    static constexpr quint32 kNumber = 4; // REG_DWORD, little-endian

    // The rights a key is opened with: KEY_READ (query value, enumerate,
    // notify, read control) and nothing more. A normal user is refused write
    // rights under HKEY_LOCAL_MACHINE, and reading a value needs none.
    static constexpr quint32 kReadAccess = 0x20019;

    using Key = quintptr;

    virtual ~Registry() = default;

    virtual bool openKey(Root root, const QString &path, Key &key) = 0;
    // Reads the value into the first `size` bytes of `buffer` and sets `size` to the
    // length of its data. Fails when the value is missing or its data is longer
    // than `size` on entry.
    virtual bool queryValue(Key key, const QString &name, quint32 &type, QByteArray &buffer,
                            quint32 &size) = 0;
    virtual void closeKey(Key key) = 0;

    // The registry of the machine: the real one on Windows, an empty one elsewhere.
    static Registry &system();
};

// Reads `valueName` of `root`\`keyName` into `value` and returns true. Text comes
// back without its terminating NUL, a number as signed decimal text, any other
// type leaves `value` as it was. On failure `value` is emptied and false returned.
bool readRegistryValue(Registry &registry, Registry::Root root, const QString &keyName,
                       const QString &valueName, QString &value);
