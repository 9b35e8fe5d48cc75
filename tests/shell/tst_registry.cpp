// SPDX-License-Identifier: GPL-3.0-or-later
// The registry layer on both backends: the one in memory and the per-user key store in a file.
#include "shell/registry.h"
#include "shell/unix/inifileregistry.h"
#include "support/memorysettings.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::Literals::StringLiterals;
using namespace vecardia;

class TestRegistry : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    testing::MemorySettings m_settings;
    std::unique_ptr<RegistryBackend> m_backend;
    std::unique_ptr<Module3> m_registry;

    Module3 &reg() { return *m_registry; }

    void useBackend(const QString &kind)
    {
        static int file = 0;
        m_backend.reset();
        if (kind == u"file")
            m_backend = std::make_unique<IniFileRegistry>(m_dir.filePath(u"registry-%1.ini"_s.arg(++file)));
        else
            m_backend = std::make_unique<InMemoryRegistry>();
        m_registry = std::make_unique<Module3>(*m_backend, m_settings, nullptr, u"/usr/bin/vecardia"_s);
    }

    static void backends()
    {
        QTest::addColumn<QString>("backend");
        QTest::newRow("memory") << u"memory"_s;
        QTest::newRow("file") << u"file"_s;
    }

private Q_SLOTS:
    void rootKeyFromName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<quint32>("handle");
        QTest::newRow("classes root") << u"HKEY_CLASSES_ROOT"_s << 0x80000000u;
        QTest::newRow("dyn data") << u"HKEY_DYN_DATA"_s << 0x80000006u;
        QTest::newRow("lower case") << u"hkey_classes_root"_s << 0u;
        QTest::newRow("spaces kept") << u" HKEY_USERS"_s << 0u;
        QTest::newRow("other") << u"HKEY_ELSEWHERE"_s << 0u;
    }
    void rootKeyFromName()
    {
        QFETCH(QString, name);
        QFETCH(quint32, handle);
        QCOMPARE(Module3::RootKeyFromName(name), handle);
    }

    void splitKeyPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<quint32>("root");
        QTest::addColumn<QString>("rest");
        QTest::newRow("root alone") << u"HKEY_CLASSES_ROOT"_s << 0x80000000u << QString();
        QTest::newRow("sub-key") << u"HKEY_CURRENT_USER\\Software\\A"_s << 0x80000001u << u"Software\\A"_s;
        QTest::newRow("trailing backslash") << u"HKEY_CLASSES_ROOT\\"_s << 0u << u"HKEY_CLASSES_ROOT\\"_s;
        QTest::newRow("lower-case prefix") << u"hkey_classes_root\\.vcf"_s << 0u << u"hkey_classes_root\\.vcf"_s;
        QTest::newRow("unknown root") << u"HKEY_NOWHERE\\x"_s << 0u << u"HKEY_NOWHERE\\x"_s;
    }
    void splitKeyPath()
    {
        QFETCH(QString, path);
        QFETCH(quint32, root);
        QFETCH(QString, rest);
        QCOMPARE(Module3::SplitKeyPath(path), root);
        QCOMPARE(path, rest);
    }

    void readAndWrite_data() { backends(); }
    void readAndWrite()
    {
        QFETCH(QString, backend);
        useBackend(backend);
        // Three levels, none of which exists: all are created.
        QVERIFY(reg().WriteRegString(u"HKEY_CLASSES_ROOT\\A\\B\\C"_s, {}, u"  value  "_s));
        QVERIFY(m_backend->keyExists(Module3::HKEY_CLASSES_ROOT, u"A\\B"_s));
        QCOMPARE(reg().ReadRegString(u"HKEY_CLASSES_ROOT\\A\\B\\C"_s, {}), u"value"_s); // spaces trimmed
        // A key that exists without a default value, and one that does not exist.
        QCOMPARE(reg().ReadRegString(u"HKEY_CLASSES_ROOT\\A\\B"_s, {}), u"Error"_s);
        QCOMPARE(reg().ReadRegString(u"HKEY_CLASSES_ROOT\\Nope"_s, {}), u"Error"_s);
        // Named values beside the default one; names with the characters a store might take for its own.
        QVERIFY(reg().WriteRegString(u"HKEY_CURRENT_USER\\Soft/ware%\\App"_s, u"Path;=/x"_s, u"名字"_s));
        QCOMPARE(reg().ReadRegString(u"HKEY_CURRENT_USER\\Soft/ware%\\App"_s, u"Path;=/x"_s), u"名字"_s);
        QCOMPARE(reg().ReadRegString(u"HKEY_CURRENT_USER\\Soft/ware%\\App"_s, {}), u"Error"_s);
        // Rejected paths: the empty text, and nothing written.
        QCOMPARE(reg().ReadRegString(u"HKEY_CLASSES_ROOT\\"_s, {}), QString());
        QVERIFY(!reg().WriteRegString(u"hkey_classes_root\\x"_s, {}, u"v"_s));
        QVERIFY(!reg().WriteRegString(u"Software\\x"_s, {}, u"v"_s));
    }

    // The read buffer holds 255 bytes of the ANSI code page (GBK), its terminating zero included.
    void longValues_data() { backends(); }
    void longValues()
    {
        QFETCH(QString, backend);
        useBackend(backend);
        const QString key = u"HKEY_CLASSES_ROOT\\Long"_s;
        QVERIFY(reg().WriteRegString(key, u"fits"_s, QString(254, u'a')));
        QCOMPARE(reg().ReadRegString(key, u"fits"_s).size(), 254);
        QVERIFY(reg().WriteRegString(key, u"too long"_s, QString(255, u'a')));
        QCOMPARE(reg().ReadRegString(key, u"too long"_s), u"Error"_s);
        QVERIFY(reg().WriteRegString(key, u"chinese fits"_s, QString(127, u'字'))); // 254 bytes in GBK
        QCOMPARE(reg().ReadRegString(key, u"chinese fits"_s).size(), 127);
        QVERIFY(reg().WriteRegString(key, u"chinese too long"_s, QString(128, u'字')));
        QCOMPARE(reg().ReadRegString(key, u"chinese too long"_s), u"Error"_s);
        // What GBK cannot hold arrives as "?".
        QVERIFY(reg().WriteRegString(key, u"emoji"_s, u"a😀"_s));
        QCOMPARE(reg().ReadRegString(key, u"emoji"_s), u"a?"_s);
    }

    void deleteKeyTree_data() { backends(); }
    void deleteKeyTree()
    {
        QFETCH(QString, backend);
        useBackend(backend);
        for (const QString &key : {u"HKEY_CLASSES_ROOT\\Tree\\A\\A1\\A11"_s, u"HKEY_CLASSES_ROOT\\Tree\\A\\A2"_s,
                                   u"HKEY_CLASSES_ROOT\\Tree\\B"_s, u"HKEY_CLASSES_ROOT\\Other"_s})
            QVERIFY(reg().WriteRegString(key, {}, u"x"_s));
        QVERIFY(reg().DeleteKeyTree(Module3::HKEY_CLASSES_ROOT, u"Tree"_s));
        QVERIFY(!m_backend->keyExists(Module3::HKEY_CLASSES_ROOT, u"Tree"_s));
        QVERIFY(!m_backend->keyExists(Module3::HKEY_CLASSES_ROOT, u"Tree\\A\\A1\\A11"_s));
        QCOMPARE(reg().ReadRegString(u"HKEY_CLASSES_ROOT\\Other"_s, {}), u"x"_s);
        // A key that is not there: false, and nothing changes.
        QVERIFY(!reg().DeleteKeyTree(Module3::HKEY_CLASSES_ROOT, u"Tree"_s));
        QVERIFY(!reg().DeleteKeyTree(0x12345u, u"Other"_s));
        QCOMPARE(reg().ReadRegString(u"HKEY_CLASSES_ROOT\\Other"_s, {}), u"x"_s);
    }

    // The file store keeps its keys from one start to the next.
    void fileStoreLasts()
    {
        const QString file = m_dir.filePath(u"lasting.ini"_s);
        {
            IniFileRegistry store(file);
            Module3 registry(store, m_settings, nullptr, {});
            QVERIFY(registry.WriteRegString(u"HKEY_CLASSES_ROOT\\.vcf"_s, {}, u"卡舟手机电话簿管理器.vcf"_s));
        }
        IniFileRegistry store(file);
        Module3 registry(store, m_settings, nullptr, {});
        QCOMPARE(registry.ReadRegString(u"HKEY_CLASSES_ROOT\\.vcf"_s, {}), u"卡舟手机电话簿管理器.vcf"_s);
        QCOMPARE(store.subKeys(Module3::HKEY_CLASSES_ROOT, {}), QStringList{u".vcf"_s});
    }
};

QTEST_GUILESS_MAIN(TestRegistry)
#include "tst_registry.moc"
