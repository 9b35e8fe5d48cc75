// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/registry.h"

#include "encoding/spaces.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <array>

using namespace Qt::Literals::StringLiterals;

namespace vecardia {

namespace {

// The read buffer of the registry layer: a value that does not fit with its terminating zero cannot be read.
constexpr qsizetype kReadBuffer = 255;

QString joined(const QString &path, const QString &name)
{
    if (path.isEmpty())
        return name;
    return name.isEmpty() ? path : path + u'\\' + name;
}

// Texts cross into the registry in the system's ANSI code page (GBK on the systems the program serves): what it
// cannot hold arrives as "?".
QString throughAnsi(const QString &text)
{
    QStringEncoder encoder("GBK");
    QStringDecoder decoder("GBK");
    if (!encoder.isValid() || !decoder.isValid())
        return text;
    return decoder.decode(encoder.encode(text));
}

qsizetype ansiBytes(const QString &text)
{
    QStringEncoder encoder("GBK");
    return encoder.isValid() ? QByteArray(encoder.encode(text)).size() : text.toUtf8().size();
}

} // namespace

// ---- the backend in memory ----

bool InMemoryRegistry::keyExists(quint32 root, const QString &path) const
{
    return path.isEmpty() || m_keys.contains({root, path});
}

std::optional<QString> InMemoryRegistry::value(quint32 root, const QString &path, const QString &name) const
{
    const auto key = m_keys.constFind({root, path});
    if (key == m_keys.cend() || !key->contains(name))
        return std::nullopt;
    return key->value(name);
}

bool InMemoryRegistry::createKey(quint32 root, const QString &path)
{
    QString up;
    for (const QString &part : path.split(u'\\', Qt::SkipEmptyParts)) {
        up = joined(up, part);
        if (!m_keys.contains({root, up}))
            m_keys.insert({root, up}, {});
    }
    return true;
}

bool InMemoryRegistry::setValue(quint32 root, const QString &path, const QString &name, const QString &text)
{
    if (!keyExists(root, path))
        return false;
    m_keys[{root, path}].insert(name, text);
    return true;
}

bool InMemoryRegistry::removeValue(quint32 root, const QString &path, const QString &name)
{
    const auto key = m_keys.find({root, path});
    return key != m_keys.end() && key->remove(name);
}

QStringList InMemoryRegistry::subKeys(quint32 root, const QString &path) const
{
    QStringList below;
    const QString prefix = path.isEmpty() ? QString() : path + u'\\';
    for (auto it = m_keys.cbegin(); it != m_keys.cend(); ++it) {
        if (it.key().first == root && it.key().second.startsWith(prefix) &&
            !it.key().second.sliced(prefix.size()).contains(u'\\'))
            below << it.key().second.sliced(prefix.size());
    }
    below.sort();
    return below;
}

bool InMemoryRegistry::deleteKey(quint32 root, const QString &path)
{
    if (path.isEmpty() || !m_keys.contains({root, path}) || !subKeys(root, path).isEmpty())
        return false;
    m_keys.remove({root, path});
    return true;
}

// ---- Module3 ----

quint32 Module3::RootKeyFromName(const QString &name)
{
    static const std::array<QString, 7> roots = {
        u"HKEY_CLASSES_ROOT"_s,     u"HKEY_CURRENT_USER"_s,   u"HKEY_LOCAL_MACHINE"_s, u"HKEY_USERS"_s,
        u"HKEY_PERFORMANCE_DATA"_s, u"HKEY_CURRENT_CONFIG"_s, u"HKEY_DYN_DATA"_s};
    for (std::size_t i = 0; i < roots.size(); ++i) {
        if (name == roots[i])
            return HKEY_CLASSES_ROOT + quint32(i);
    }
    return 0;
}

quint32 Module3::SplitKeyPath(QString &path)
{
    if (!path.startsWith(u"HKEY_") || path.endsWith(u'\\'))
        return 0;
    const qsizetype slash = path.indexOf(u'\\');
    const quint32 root = RootKeyFromName(slash < 0 ? path : path.first(slash));
    if (root != 0)
        path = slash < 0 ? QString() : path.sliced(slash + 1);
    return root;
}

QString Module3::ReadRegString(const QString &keyPath, const QString &valueName)
{
    QString path = keyPath;
    const quint32 root = SplitKeyPath(path);
    if (root == 0)
        return {};
    if (!m_backend.keyExists(root, path))
        return u"Error"_s;
    const std::optional<QString> value = m_backend.value(root, path, throughAnsi(valueName));
    if (!value || ansiBytes(*value) + 1 > kReadBuffer)
        return u"Error"_s;
    // The buffer's text up to its first zero character, spaces trimmed.
    const qsizetype zero = value->indexOf(QChar(0));
    return trimSpaces(zero < 0 ? *value : value->first(zero));
}

bool Module3::WriteRegString(const QString &keyPath, const QString &valueName, const QString &text)
{
    QString path = keyPath;
    const quint32 root = SplitKeyPath(path);
    if (root == 0 || !m_backend.createKey(root, path))
        return false;
    return m_backend.setValue(root, path, throughAnsi(valueName), throughAnsi(text));
}

bool Module3::DeleteRegValue(const QString &keyPath, const QString &valueName)
{
    QString path = keyPath;
    const quint32 root = SplitKeyPath(path);
    if (root == 0 || !m_backend.keyExists(root, path))
        return false;
    return m_backend.removeValue(root, path, throughAnsi(valueName)) ||
           !m_backend.value(root, path, throughAnsi(valueName)).has_value();
}

std::optional<Module3::OpenKey> Module3::resolve(quint32 handle, const QString &name) const
{
    if (const auto open = m_open.constFind(handle); open != m_open.cend())
        return OpenKey{open->root, joined(open->path, name)};
    if (handle >= HKEY_CLASSES_ROOT && handle <= HKEY_CLASSES_ROOT + 6) // a root
        return OpenKey{handle, name};
    return std::nullopt;
}

quint32 Module3::open(const OpenKey &key)
{
    const quint32 handle = m_nextHandle++;
    m_open.insert(handle, key);
    return handle;
}

void Module3::close(quint32 handle)
{
    m_open.remove(handle);
}

bool Module3::DeleteKeyTree(quint32 parent, const QString &name)
{
    const std::optional<OpenKey> key = resolve(parent, name);
    if (!key || key->path.isEmpty() || !m_backend.keyExists(key->root, key->path))
        return false;
    const quint32 handle = open(*key);
    bool deleted = m_backend.deleteKey(key->root, key->path);
    if (!deleted) {
        // Keys below it: the first one, again and again, since deleting one moves the next to the front.
        for (QStringList below = m_backend.subKeys(key->root, key->path); !below.isEmpty();
             below = m_backend.subKeys(key->root, key->path)) {
            if (!DeleteKeyTree(handle, below.first()))
                break;
        }
        deleted = m_backend.deleteKey(key->root, key->path);
    }
    close(handle);
    return deleted;
}

} // namespace vecardia
