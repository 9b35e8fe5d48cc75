// SPDX-License-Identifier: GPL-3.0-or-later
// Module3's file association: the program's file type, the extension's handler and its backup.
#include "product/product.h"
#include "shell/desktopdefaults.h"
#include "shell/registry.h"
#include "shell/settingsstore.h"

using namespace Qt::Literals::StringLiterals;

namespace vecardia {

namespace {

const QString kClassesRoot = u"HKEY_CLASSES_ROOT\\"_s;
const QString kBackupSection = u"文件关联"_s;

QString withDot(const QString &extension)
{
    return extension.startsWith(u'.') ? extension : u'.' + extension;
}

// The extension's handler names this program: its file type, title + extension, in any letter case.
bool namesUs(const QString &handler, const QString &extension)
{
    return handler.toLower() == (product::kTitle + extension).toLower();
}

} // namespace

int Module3::IsAssociated(const QString &extension)
{
    const QString ext = withDot(extension);
    const bool registered = namesUs(ReadRegString(kClassesRoot + ext, {}), ext);
    // The check box must never claim what the desktop does not do.
    return registered && (!m_desktop || m_desktop->isDefault()) ? 1 : 0;
}

void Module3::AssociateExtension(const QString &extension)
{
    const QString ext = withDot(extension);
    const QString before = ReadRegString(kClassesRoot + ext, {});
    // The first backup stays: a second registration finds the program's own handler and keeps the one before it.
    // A handler that could not be read ("Error": there was none) is backed up as none.
    if (!namesUs(before, ext))
        (void)m_settings.write(product::kTitle, kBackupSection, u"备份文件关联_"_s + ext,
                               before == u"Error" ? QString() : before);
    const QString fileType = kClassesRoot + product::kTitle + ext;
    // Success is judged afterwards with IsAssociated, not write by write.
    (void)WriteRegString(fileType, {}, ext.sliced(1) + u"文件"_s);
    (void)WriteRegString(fileType + u"\\DefaultIcon"_s, {}, m_executable);
    (void)WriteRegString(fileType + u"\\shell\\open"_s, {}, u"用"_s + product::kTitle + u"打开"_s);
    (void)WriteRegString(fileType + u"\\shell\\open\\command"_s, {}, u'"' + m_executable + u"\" %1"_s);
    (void)WriteRegString(kClassesRoot + ext, {}, product::kTitle + ext);
    if (m_desktop)
        (void)m_desktop->makeDefault();
}

void Module3::RestoreAssociation(const QString &extension)
{
    const QString ext = withDot(extension);
    if (namesUs(ReadRegString(kClassesRoot + ext, {}), ext)) {
        const QString backup = m_settings.read(product::kTitle, kBackupSection, u"备份文件关联_"_s + ext);
        // No handler before: the extension gets none back, not the text "Error".
        if (backup.isEmpty())
            (void)DeleteRegValue(kClassesRoot + ext, {});
        else
            (void)WriteRegString(kClassesRoot + ext, {}, backup);
    }
    (void)DeleteKeyTree(HKEY_CLASSES_ROOT, product::kTitle + ext);
    if (m_desktop)
        (void)m_desktop->restoreDefault();
}

} // namespace vecardia
