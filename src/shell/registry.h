// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace vecardia {

// Where the registry layer keeps its keys: a store of keys under seven roots, each key with a default value or
// none and named string values. Paths are the key names below a root, separated by "\"; "" is the root itself.
class RegistryBackend {
public:
    virtual ~RegistryBackend() = default;
    [[nodiscard]] virtual bool keyExists(quint32 root, const QString &path) const = 0;
    // The value (the empty name is the key's default value), or nothing when the key or the value is missing.
    [[nodiscard]] virtual std::optional<QString> value(quint32 root, const QString &path,
                                                       const QString &name) const = 0;
    // Creates the key, and the keys above it that are missing.
    virtual bool createKey(quint32 root, const QString &path) = 0;
    virtual bool setValue(quint32 root, const QString &path, const QString &name, const QString &text) = 0;
    virtual bool removeValue(quint32 root, const QString &path, const QString &name) = 0;
    // The names of the keys right below a key, in a stable order.
    [[nodiscard]] virtual QStringList subKeys(quint32 root, const QString &path) const = 0;
    // Deletes a key that has no keys below it; refuses one that has.
    virtual bool deleteKey(quint32 root, const QString &path) = 0;
};

// A backend in memory, for tests.
class InMemoryRegistry final : public RegistryBackend {
public:
    [[nodiscard]] bool keyExists(quint32 root, const QString &path) const override;
    [[nodiscard]] std::optional<QString> value(quint32 root, const QString &path, const QString &name) const override;
    bool createKey(quint32 root, const QString &path) override;
    bool setValue(quint32 root, const QString &path, const QString &name, const QString &text) override;
    bool removeValue(quint32 root, const QString &path, const QString &name) override;
    [[nodiscard]] QStringList subKeys(quint32 root, const QString &path) const override;
    bool deleteKey(quint32 root, const QString &path) override;

private:
    using Key = std::pair<quint32, QString>;
    QHash<Key, QHash<QString, QString>> m_keys; // every key that exists, with its values
};

class DesktopDefaults;
class SettingsStore;

// Module3: the registry layer, and the file association that works through it (association.cpp). Keys are
// addressed by one text, root name, "\" and sub-key path (HKEY_CLASSES_ROOT\.vcf). No operation raises or shows
// anything: failures come back as results.
class Module3 {
public:
    // The seven roots, and the handles they go by.
    static constexpr quint32 HKEY_CLASSES_ROOT = 0x80000000;

    // The association keeps its backup in `settings` and, where the desktop has its own defaults, sets them too;
    // `executable` is the program's own path.
    Module3(RegistryBackend &backend, SettingsStore &settings, DesktopDefaults *desktop, QString executable)
        : m_backend(backend), m_settings(settings), m_desktop(desktop), m_executable(std::move(executable))
    {
    }

    // The handle of a root name (exact, letter case counts), 0 for any other text.
    [[nodiscard]] static quint32 RootKeyFromName(const QString &name);
    // The root of a full key path, and the path replaced by its sub-key path; 0 (path unchanged) when the path is
    // rejected: no "HKEY_" at its start, or a "\" at its end.
    [[nodiscard]] static quint32 SplitKeyPath(QString &path);
    // A string value (the empty name is the default value): "Error" when the key or the value cannot be read, the
    // empty text when the path is rejected.
    [[nodiscard]] QString ReadRegString(const QString &keyPath, const QString &valueName);
    // Writes a string value, creating the keys on the way; true when written.
    bool WriteRegString(const QString &keyPath, const QString &valueName, const QString &text);
    // Deletes the key `name` below a root or an open key, with every key below it; true when deleted.
    bool DeleteKeyTree(quint32 parent, const QString &name);
    // Removes a value; true when it is gone.
    bool DeleteRegValue(const QString &keyPath, const QString &valueName);

    // The file association. An extension may come without its "." ("vcf").
    // 1 when the extension is registered to this program (and the desktop opens such files with it), else 0.
    [[nodiscard]] int IsAssociated(const QString &extension);
    // Registers the program for the extension, keeping a backup of the handler registered before.
    void AssociateExtension(const QString &extension);
    // Puts the backed-up handler back when the program is the registered one, and removes the program's file type.
    void RestoreAssociation(const QString &extension);

private:
    struct OpenKey {
        quint32 root = 0;
        QString path;
    };
    std::optional<OpenKey> resolve(quint32 handle, const QString &name) const;
    quint32 open(const OpenKey &key);
    void close(quint32 handle);

    RegistryBackend &m_backend;
    SettingsStore &m_settings;
    DesktopDefaults *m_desktop;
    QString m_executable;
    QHash<quint32, OpenKey> m_open; // keys opened while a tree is deleted
    quint32 m_nextHandle = 1;
};

} // namespace vecardia
