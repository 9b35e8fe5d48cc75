// 卡舟手机电话簿管理器: the contact book editor.
#include "app/form1.h"
#include "app/product.h"
#include "ui/qtprompter.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(vecardia::product::kTitle);
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(vecardia::product::kVersionMajor)
                                            .arg(vecardia::product::kVersionMinor)
                                            .arg(vecardia::product::kVersionRevision));
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
