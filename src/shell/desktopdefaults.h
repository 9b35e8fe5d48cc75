// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace vecardia {

// Whether the desktop opens contact files with this program: on freedesktop systems, the default application of
// the vCard MIME types. The association of Module3 works through it beside its registry entries.
class DesktopDefaults {
public:
    virtual ~DesktopDefaults() = default;
    // This program opens vCard files when the user double-clicks one.
    [[nodiscard]] virtual bool isDefault() const = 0;
    // Makes it so, remembering the applications that were the defaults before (the first remembered ones stay).
    virtual bool makeDefault() = 0;
    // Puts the remembered applications back, or leaves no default of ours when there were none.
    virtual bool restoreDefault() = 0;
};

} // namespace vecardia
