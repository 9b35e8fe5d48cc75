// SPDX-License-Identifier: GPL-3.0-or-later
// The ".vcf" association on a freedesktop system, in temporary XDG folders: the registry entries of the program's
// file type, and the default application of the vCard types that the desktop (and xdg-mime) really uses.
#include "product/product.h"
#include "shell/registry.h"
#include "shell/settingsstore.h"
#include "shell/unix/freedesktopdefaults.h"
#include "shell/unix/inifileregistry.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::Literals::StringLiterals;
using namespace vecardia;

namespace {

const QString kOurs = u"io.github.vecardia.Vecardia.desktop"_s;
const QString kHandlerKey = u"HKEY_CLASSES_ROOT\\.vcf"_s;

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(path.section(u'/', 0, -2));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestAssociation : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<QSettingsStore> m_settings;
    std::unique_ptr<IniFileRegistry> m_store;
    std::unique_ptr<FreedesktopDefaults> m_desktop;
    std::unique_ptr<Module3> m_module;

    QString home(const QString &path) const { return m_home->filePath(path); }
    QString mimeapps() const { return home(u"config/mimeapps.list"_s); }
    Module3 &module() { return *m_module; }

    // What xdg-mime, the desktop's own tool, says opens vCard files; nothing when it is not installed.
    static std::optional<QString> xdgDefault()
    {
        if (QStandardPaths::findExecutable(u"xdg-mime"_s).isEmpty())
            return std::nullopt;
        QProcess query;
        query.start(u"xdg-mime"_s, {u"query"_s, u"default"_s, u"text/vcard"_s});
        if (!query.waitForFinished(30000))
            return std::nullopt;
        return QString::fromUtf8(query.readAllStandardOutput()).trimmed();
    }

    void anotherProgramOpensVCards()
    {
        writeFile(home(u"data/applications/other-contacts.desktop"_s),
                  "[Desktop Entry]\nType=Application\nName=Other Contacts\nExec=true %f\nMimeType=text/vcard;\n");
        writeFile(mimeapps(),
                  "# the user's choices\n[Default Applications]\ntext/vcard=other-contacts.desktop;\n"
                  "text/plain=editor.desktop\n\n[Added Associations]\ntext/vcard=other-contacts.desktop;\n");
    }

private Q_SLOTS:
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", home(u"config"_s).toLocal8Bit());
        qputenv("XDG_DATA_HOME", home(u"data"_s).toLocal8Bit());
        qputenv("XDG_CONFIG_DIRS", home(u"system-config"_s).toLocal8Bit());
        qputenv("XDG_DATA_DIRS", home(u"system-data"_s).toLocal8Bit());
        qunsetenv("XDG_CURRENT_DESKTOP");
        m_settings = std::make_unique<QSettingsStore>();
        m_store = std::make_unique<IniFileRegistry>();
        m_desktop = std::make_unique<FreedesktopDefaults>(*m_settings, u"/opt/My Programs/vecardia"_s);
        m_module = std::make_unique<Module3>(*m_store, *m_settings, m_desktop.get(), u"/opt/My Programs/vecardia"_s);
    }

    // A fresh user with another program as the vCard default: associating makes ours the default, a second
    // association keeps the first backup, restoring puts the other program back and leaves the rest of the file.
    void associateAndRestore()
    {
        anotherProgramOpensVCards();
        QCOMPARE(module().IsAssociated(u".vcf"_s), 0);
        if (const std::optional<QString> before = xdgDefault())
            QCOMPARE(*before, u"other-contacts.desktop"_s);

        module().AssociateExtension(u".vcf"_s);
        QCOMPARE(module().IsAssociated(u".vcf"_s), 1);
        if (const std::optional<QString> now = xdgDefault())
            QCOMPARE(*now, kOurs);
        // The Part's registry entries, in the program's key store.
        QCOMPARE(module().ReadRegString(kHandlerKey, {}), product::kTitle + u".vcf"_s);
        const QString fileType = u"HKEY_CLASSES_ROOT\\"_s + product::kTitle + u".vcf"_s;
        QCOMPARE(module().ReadRegString(fileType, {}), u"vcf文件"_s);
        QCOMPARE(module().ReadRegString(fileType + u"\\shell\\open\\command"_s, {}),
                 u"\"/opt/My Programs/vecardia\" %1"_s);
        // Our desktop entry, written for the running program since none is installed.
        const QByteArray entry = contents(home(u"data/applications/"_s) + kOurs);
        QVERIFY(entry.contains("Exec=\"/opt/My Programs/vecardia\" %f"));
        QVERIFY(entry.contains("MimeType=text/vcard;text/x-vcard;text/directory;"));

        module().AssociateExtension(u"vcf"_s); // again, without the dot: the backup stays the other program's
        QCOMPARE(m_settings->read(product::kTitle, u"文件关联"_s, u"备份默认程序_text-vcard"_s),
                 u"other-contacts.desktop;"_s);
        QCOMPARE(m_settings->read(product::kTitle, u"文件关联"_s, u"备份文件关联_.vcf"_s), QString());

        module().RestoreAssociation(u".vcf"_s);
        QCOMPARE(module().IsAssociated(u".vcf"_s), 0);
        if (const std::optional<QString> after = xdgDefault())
            QCOMPARE(*after, u"other-contacts.desktop"_s);
        QCOMPARE(contents(mimeapps()),
                 "# the user's choices\n[Default Applications]\ntext/vcard=other-contacts.desktop;\n"
                 "text/plain=editor.desktop\n\n[Added Associations]\ntext/vcard=other-contacts.desktop;\n"_ba);
        // ".vcf" had no handler before: it gets none back, not the text "Error", and the file type is gone.
        QCOMPARE(module().ReadRegString(kHandlerKey, {}), u"Error"_s);
        QVERIFY(!m_store->keyExists(Module3::HKEY_CLASSES_ROOT, product::kTitle + u".vcf"_s));
    }

    // A handler that was there before comes back when the association is undone.
    void previousHandlerComesBack()
    {
        QVERIFY(module().WriteRegString(kHandlerKey, {}, u"OtherApp.vcf"_s));
        module().AssociateExtension(u".vcf"_s);
        QCOMPARE(m_settings->read(product::kTitle, u"文件关联"_s, u"备份文件关联_.vcf"_s), u"OtherApp.vcf"_s);
        module().RestoreAssociation(u".vcf"_s);
        QCOMPARE(module().ReadRegString(kHandlerKey, {}), u"OtherApp.vcf"_s);
        // No previous default of the vCard types: ours is removed, not replaced.
        QVERIFY(!contents(mimeapps()).contains("text/vcard="));
    }

    // The handler's name counts in any letter case; but the box never claims what the desktop does not do.
    void associatedMeansTheDesktopUsesIt()
    {
        module().AssociateExtension(u".vcf"_s);
        QVERIFY(module().WriteRegString(kHandlerKey, {}, product::kTitle + u".VCF"_s));
        QCOMPARE(module().IsAssociated(u".vcf"_s), 1);
        // The user picks another program in the file manager.
        anotherProgramOpensVCards();
        QCOMPARE(module().IsAssociated(u".vcf"_s), 0);
        // Undoing then leaves that choice alone.
        module().RestoreAssociation(u".vcf"_s);
        QVERIFY(contents(mimeapps()).contains("text/vcard=other-contacts.desktop;"));
    }

    // An installed desktop entry is the one used: none is written for the user.
    void installedEntryIsUsed()
    {
        writeFile(home(u"system-data/applications/"_s) + kOurs,
                  "[Desktop Entry]\nType=Application\nName=V\nExec=vecardia %f\n");
        module().AssociateExtension(u".vcf"_s);
        QVERIFY(!QFile::exists(home(u"data/applications/"_s) + kOurs));
        QCOMPARE(FreedesktopDefaults::defaultApplication(u"text/vcard"_s), kOurs);
    }

    // The order desktops read them in: the user's configuration before the system's; an entry that is not installed
    // names nothing.
    void defaultLookupOrder()
    {
        writeFile(home(u"system-config/mimeapps.list"_s), "[Default Applications]\ntext/vcard=system.desktop\n");
        writeFile(home(u"system-data/applications/system.desktop"_s), "[Desktop Entry]\nType=Application\nName=S\n");
        QCOMPARE(FreedesktopDefaults::defaultApplication(u"text/vcard"_s), u"system.desktop"_s);
        writeFile(mimeapps(), "[Default Applications]\ntext/vcard=gone.desktop;system.desktop;\n");
        QCOMPARE(FreedesktopDefaults::defaultApplication(u"text/vcard"_s), u"system.desktop"_s);
    }
};

QTEST_GUILESS_MAIN(TestAssociation)
#include "tst_association.moc"
