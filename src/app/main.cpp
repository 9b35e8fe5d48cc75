// SPDX-License-Identifier: GPL-3.0-or-later
// 卡舟手机电话簿管理器: the contact book editor.
//   vecardia [FILE]          opens the window, and FILE in it
//   vecardia --execute TEXT  hands TEXT (a file's path) to the window already running, which opens it
//   vecardia --help | --version
#include "app/mainwindow.h"
#include "help/shellactions.h"
#include "net/uxmlhttp.h"
#include "product/product.h"
#include "runtime/hugepages.h"
#include "shell/registry.h"
#include "shell/settingsstore.h"
#include "shell/unix/freedesktopdefaults.h"
#include "shell/unix/inifileregistry.h"
#include "shell/unix/openfileservice.h"
#include "ui/producticon.h"
#include "ui/qtprompter.h"
#include "ui/translations.h"

#include <QApplication>
#include <QNetworkAccessManager>

#include <cstdio>

namespace {

const char kUsage[] = "用法：\n"
                      "  vecardia [文件]\n"
                      "      打开窗口；给出文件时在窗口中打开它（.vcf 电话簿）。\n"
                      "  vecardia --execute 文件\n"
                      "      把文件交给已经打开的窗口打开（经由 D-Bus 会话总线）。\n"
                      "  vecardia --help\n"
                      "      显示本说明。\n"
                      "  vecardia --version\n"
                      "      显示版本。\n"
                      "退出码：0 成功，1 没有窗口或窗口没有接受文件。\n";

// --help and --version are answered before anything needs a display.
bool answeredAlone(int argc, char *argv[], int &code)
{
    if (argc != 2)
        return false;
    if (qstrcmp(argv[1], "--help") == 0 || qstrcmp(argv[1], "-h") == 0) {
        std::fputs(kUsage, stdout);
    } else if (qstrcmp(argv[1], "--version") == 0) {
        std::fputs(qUtf8Printable(vecardia::product::versionBanner(u"vecardia")), stdout);
    } else {
        return false;
    }
    code = std::fflush(stdout) == 0 ? 0 : 1;
    return true;
}

// The client of the open-file service: quiet when the window took the file, clear when there is none.
int execute(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString command = QCoreApplication::arguments().mid(2).join(u' ');
    const vecardia::ExecuteResult result = vecardia::executeInRunningWindow(command);
    switch (result.outcome) {
    case vecardia::ExecuteOutcome::Accepted: return 0;
    case vecardia::ExecuteOutcome::NoWindow:
        std::fprintf(stderr, "vecardia: %s\n",
                     qUtf8Printable(QStringLiteral("没有正在运行的卡舟手机电话簿管理器窗口。") + result.reason));
        return 1;
    case vecardia::ExecuteOutcome::Failed:
        std::fprintf(stderr, "vecardia: %s\n", qUtf8Printable(QStringLiteral("窗口没有接受命令：") + result.reason));
        return 1;
    }
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    if (int code = 0; answeredAlone(argc, argv, code))
        return code;
    if (argc >= 2 && qstrcmp(argv[1], "--execute") == 0)
        return execute(argc, argv);
    vecardia::startWithHugePagesIfAsked(argv);

    QApplication app(argc, argv);
    QApplication::setApplicationName(vecardia::product::kTitle);
    QApplication::setApplicationVersion(vecardia::product::versionText());
    QApplication::setDesktopFileName(vecardia::product::kApplicationId);
    QApplication::setWindowIcon(vecardia::productIcon());
    (void)vecardia::loadQtChinese(app);
    QFont font = QApplication::font();
    font.setPointSize(9);
    QApplication::setFont(font);

    vecardia::QSettingsStore settings;
    vecardia::IniFileRegistry registry;
    const QString executable = QCoreApplication::applicationFilePath();
    vecardia::FreedesktopDefaults defaults(settings, executable);
    vecardia::Module3 association(registry, settings, &defaults, executable);
    vecardia::DesktopShellActions shell;
    QNetworkAccessManager network;
    vecardia::useSystemProxies(network);
    vecardia::DesktopServices desktop{settings, association, registry, shell, network};

    vecardia::QtPrompter prompter;
    vecardia::Form1 window(prompter, &desktop);
    prompter.setParent(&window);
    window.show();
    // Other programs hand the first window a file over D-Bus; later windows run without the service.
    vecardia::OpenFileService service([&window](const QString &path) { window.openFromOutside(path); },
                                      [&window] {
                                          window.show();
                                          window.raise();
                                          window.activateWindow();
                                      });
    (void)service.start();
    window.startUp(QCoreApplication::arguments().mid(1));
    return app.exec();
}
