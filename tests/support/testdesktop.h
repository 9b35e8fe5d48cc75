// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The desktop services of a window under test: settings and keys in memory, desktop defaults that do as the test
// says, a shell that records what it is asked to open, and a network manager for servers on 127.0.0.1.

#include "app/mainwindow.h"
#include "net/uxmlhttp.h"
#include "shell/desktopdefaults.h"
#include "shell/registry.h"
#include "support/memorysettings.h"
#include "support/recordingshell.h"

#include <QNetworkAccessManager>

namespace vecardia::testing {

// The desktop's defaults: whether ours is the vCard default, and whether it can become it.
class FakeDefaults final : public DesktopDefaults {
public:
    bool ours = false;
    bool refuses = false;
    int restored = 0;
    [[nodiscard]] bool isDefault() const override { return ours; }
    bool makeDefault() override { return ours = !refuses; }
    bool restoreDefault() override
    {
        ++restored;
        ours = false;
        return true;
    }
};

struct TestDesktop {
    MemorySettings settings;
    InMemoryRegistry registry;
    FakeDefaults defaults;
    Module3 association{registry, settings, &defaults, QStringLiteral("/usr/bin/vecardia")};
    RecordingShell shell;
    QNetworkAccessManager network;
    DesktopServices services{settings, association, registry, shell, network};

    TestDesktop() { useSystemProxies(network); }
};

} // namespace vecardia::testing
