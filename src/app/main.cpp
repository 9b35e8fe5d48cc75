// 卡舟手机电话簿管理器: the contact book editor.
//   vecardia [FILE]          opens the window, and FILE in it
//   vecardia --execute TEXT  hands TEXT (a file's path) to the window already running, which opens it
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
    vecardia::OpenFileService service([&window](const QString &path) { window.打开单个VCF文件(path); },
                                      [&window] {
                                          window.show();
                                          window.raise();
                                          window.activateWindow();
                                      });
    (void)service.start();
    window.startUp(QCoreApplication::arguments().mid(1));
    return app.exec();
}
