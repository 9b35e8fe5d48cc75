// 卡舟手机电话簿管理器: the contact book editor.
#include "app/mainwindow.h"
#include "contacts/product.h"
#include "ui/qtprompter.h"
#include "ui/translations.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(vecardia::product::kTitle);
    QApplication::setApplicationVersion(vecardia::product::versionText());
    (void)vecardia::loadQtChinese(app);
    QFont font = QApplication::font();
    font.setPointSize(9);
    QApplication::setFont(font);

    vecardia::QtPrompter prompter;
    vecardia::Form1 window(prompter);
    prompter.setParent(&window);
    window.show();
    window.startUp(QCoreApplication::arguments().mid(1));
    return app.exec();
}
