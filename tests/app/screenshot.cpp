// Renders the main window with the sample book offscreen and saves it as a PNG (scripts/screenshot).
#include "app/mainwindow.h"
#include "model/contactlistmodel.h"
#include "ui/contactlistview.h"
#include "ui/prompter.h"

#include <QApplication>
#include <QPixmap>

namespace {

class SilentPrompter final : public vecardia::Prompter {
public:
    Answer message(const QString &, Icon, Buttons, const QString &) override { return Answer::Yes; }
    std::optional<QString> input(const QString &, const QString &, const QString &) override { return {}; }
    QStringList openFiles(const FileDialog &) override { return {}; }
    QString saveFile(const FileDialog &) override { return {}; }
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QFont font = QApplication::font();
    font.setPointSize(9);
    QApplication::setFont(font);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: screenshot BOOK.vcf OUT.png\n");
        return 2;
    }
    SilentPrompter prompter;
    vecardia::Form1 window(prompter);
    window.show();
    window.startUp({args[1]});
    window.sortByHeader(vecardia::ContactListModel::NameColumn);
    // Show a contact with a photo in the editor panel.
    vecardia::ContactListModel &model = window.listModel();
    for (int row = 0; row < model.rowCount(); ++row) {
        if (model.cell(row, vecardia::ContactListModel::PhotoColumn) == QStringLiteral("有")) {
            window.ListView1->selectRow(row);
            window.rowClicked(row);
            break;
        }
    }
    QApplication::processEvents();
    return window.grab().save(args[2]) ? 0 : 1;
}
