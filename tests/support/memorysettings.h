// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Settings in memory, for tests: never the user's files. A failing store refuses every write.

#include "shell/settingsstore.h"

#include <QHash>

namespace vecardia::testing {

class MemorySettings final : public SettingsStore {
public:
    bool failing = false;
    QHash<QString, QString> values; // "application/section/key"

    [[nodiscard]] QString read(const QString &application, const QString &section, const QString &key,
                               const QString &fallback = {}) const override
    {
        return values.value(application + u'/' + section + u'/' + key, fallback);
    }
    bool write(const QString &application, const QString &section, const QString &key, const QString &value) override
    {
        if (failing)
            return false;
        values.insert(application + u'/' + section + u'/' + key, value);
        return true;
    }
};

} // namespace vecardia::testing
