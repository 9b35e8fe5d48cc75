// SPDX-License-Identifier: GPL-3.0-or-later
// Renders the program's windows offscreen and saves them as PNG files for the README (scripts/screenshot):
//   screenshot main BOOK.vcf OUT.png      the main window with a book, a contact with a photo in the panel
//   screenshot open-dialog OUT.png        the dialog of "打开文件"
//   screenshot message OUT.png            a question of the program
//   screenshot about OUT.png              the About box
#include "app/mainwindow.h"
#include "help/aboutdialog.h"
#include "help/shellactions.h"
#include "model/contactlistmodel.h"
#include "product/product.h"
#include "ui/contactlistview.h"
#include "ui/photobox.h"
#include "ui/prompter.h"
#include "ui/qtprompter.h"
#include "ui/translations.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

class SilentPrompter final : public vecardia::Prompter {
public:
    Answer message(const QString &, Icon, Buttons, const QString &) override { return Answer::Yes; }
    std::optional<QString> input(const QString &, const QString &, const QString &) override { return {}; }
    QStringList openFiles(const FileDialog &) override { return {}; }
    QString saveFile(const FileDialog &) override { return {}; }
};

// The About box's links lead nowhere here.
class NoShell final : public vecardia::ShellActions {
public:
    bool openUrl(const QUrl &) override { return false; }
    bool startProgram(const QString &, const QStringList &) override { return false; }
};

// Grabs the dialog that opens next, saves it and closes it.
void grabNextDialog(const QString &out, bool &saved)
{
    QTimer::singleShot(300, [out, &saved] {
        if (QWidget *dialog = QApplication::activeModalWidget()) {
            saved = dialog->grab().save(out);
            dialog->close();
        }
    });
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    (void)vecardia::loadQtChinese(app);
    QFont font = QApplication::font();
    font.setPointSize(9);
    QApplication::setFont(font);
    const QStringList args = QCoreApplication::arguments();
    const QString what = args.value(1);
    if (what == u"main" && args.size() == 4) {
        SilentPrompter prompter;
        vecardia::Form1 window(prompter);
        window.show();
        window.startUp({args[2]});
        window.Combo1->setCurrentIndex(2); // the longest search column: shown whole
        window.sortByHeader(vecardia::ContactListModel::NameColumn);
        // Show a contact with a photo in the editor panel.
        vecardia::ContactListModel &model = window.listModel();
        for (int row = 0; row < model.rowCount(); ++row) {
            if (model.cell(row, vecardia::ContactListModel::PhotoColumn) == u"有"_s) {
                window.ListView1->selectRow(row);
                window.rowClicked(row);
                break;
            }
        }
        QApplication::processEvents();
        return window.grab().save(args[3]) ? 0 : 1;
    }
    if (what == u"open-dialog" && args.size() == 3) {
        // A folder of contact books, as a user keeps them.
        QTemporaryDir home;
        const QString folder = home.filePath(u"通讯录"_s);
        QDir().mkpath(folder);
        for (const QString &name : {u"我的手机.vcf"_s, u"旧手机备份.vcf"_s, u"公司同事.vcf"_s})
            QFile::copy(QStringLiteral(VECARDIA_SAMPLES) + u"/demo.vcf"_s, folder + u'/' + name);
        QFileDialog dialog(nullptr, QString(), folder, vecardia::QtPrompter::nameFilter(u"*.vcf|*.vcf"_s));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.resize(640, 400);
        dialog.show();
        QApplication::processEvents();
        QTimer::singleShot(500, &app, &QCoreApplication::quit);
        app.exec();
        return dialog.grab().save(args[2]) ? 0 : 1;
    }
    if (what == u"message" && args.size() == 3) {
        vecardia::QtPrompter prompter;
        bool saved = false;
        grabNextDialog(args[2], saved);
        (void)prompter.askYesNo(u"你要清空列表重新打开吗？"_s);
        return saved ? 0 : 1;
    }
    if (what == u"about" && args.size() == 3) {
        SilentPrompter prompter;
        NoShell shell;
        vecardia::frmAbout about(vecardia::product::Configuration::builtIn(), shell, prompter, nullptr);
        about.show();
        QApplication::processEvents();
        return about.grab().save(args[2]) ? 0 : 1;
    }
    std::fprintf(stderr,
                 "usage: screenshot main BOOK.vcf OUT.png | open-dialog OUT.png | message OUT.png | about OUT.png\n");
    return 2;
}
