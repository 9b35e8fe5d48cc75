// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "contacts/contacttable.h"

#include <QHash>
#include <QMainWindow>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QNetworkAccessManager;
class QPushButton;
class QTimer;
class QUndoStack;

namespace vecardia {

class ChangeSet;
class ContactListModel;
class ContactStep;
class EditStep;
class RowsSnapshot;
class Module3;
class RegistryBackend;
class SettingsStore;
class ShellActions;
class ContactListView;
class EditorPanel;
class PhotoBox;
class Prompter;
class uXMLHTTP;

// What the window needs of the desktop: the per-user settings, the registry layer and the ".vcf" association, the
// shell that opens web pages and mail, and the network for the update check. A window without them (tests, the
// screenshots) leaves the desktop and the network alone.
struct DesktopServices {
    SettingsStore &settings;
    Module3 &association;
    const RegistryBackend &registry;
    ShellActions &shell;
    QNetworkAccessManager &network;
};

// The main window: the contact list on the left, the editor of one contact on the right, the find bar above.
// Every control keeps its design name as member and object name. The commands live in three files: the list and
// the panel here, the file commands in filecommands.cpp, the Edit-menu tools in toolcommands.cpp.
class Form1 final : public QMainWindow {
    Q_OBJECT

public:
    explicit Form1(Prompter &prompter, DesktopServices *desktop = nullptr, QWidget *parent = nullptr);
    ~Form1() override;

    // Start-up: caption, defaults, the file named on the command line (all words taken as one path), and on the
    // first run the ".vcf" association.
    void startUp(const QStringList &arguments);

    [[nodiscard]] ContactTable &table() { return m_table; }
    [[nodiscard]] ContactListModel &listModel() { return *m_model; }
    [[nodiscard]] const QString &pendingPhoto() const;
    // Every change to the contacts is a step here; opening a book or "清空全部" clears it.
    [[nodiscard]] QUndoStack &undoStack() { return *m_undo; }
    // What the history holds in memory, in bytes (a list shared by steps counts once).
    [[nodiscard]] std::size_t historyBytes() const;

    // Top row and find bar.
    QLineEdit *Text1;
    QPushButton *Command1, *Command4;
    QGroupBox *Frame2;
    QLabel *Label1;
    QComboBox *Combo1;
    QLineEdit *Text2;
    QPushButton *Command2, *Command3, *Command8;
    // The list.
    QLabel *Label3, *Label2;
    ContactListView *ListView1;
    // The editor panel (Frame3) and its controls.
    EditorPanel *Frame3;
    QLabel *Label4, *Label5, *Label10, *Label6, *Label7;
    QLineEdit *Text3, *Text4, *Text5, *Text6, *Text7;
    QGroupBox *Frame1;
    PhotoBox *Picture1;
    QPushButton *Command5, *Command7, *Command6;
    // Bottom line and hidden helpers.
    QLabel *Label8, *Label9, *Label11;
    QListWidget *List1;
    QTimer *Timer1;
    uXMLHTTP *uXMLHTTP2; // the update check's request; none without the desktop services
    QMenu *menu文件, *menu编辑, *menu查找, *menu工具, *menu帮助;
    QAction *menu撤销, *menu重做;

    // File commands.
    void 打开VCF文件();
    void 打开单个VCF文件(const QString &path);
    // A book another program hands over (the open-file service): it replaces the list only when there are no
    // changes not yet exported, or the user gives them up.
    void openFromOutside(const QString &path);
    void 附加导入VCF文件();
    void 导出列表到号码簿VCF文件();
    void 导出列表到文本文件();
    [[nodiscard]] bool 查找List1(const QString &path) const;
    // The list.
    void 显示全部数据到LV();
    void 显示查找数据到LV(const QString &choice, const QString &text);
    void AutoSizeColumns();
    void sortByHeader(int column);
    void 删除选中项();
    void 添加联系人();
    void 批量查找();
    [[nodiscard]] bool 判断LV项目是否存在(const QString &key) const;
    // The cleanup tools.
    void 红色标示重复(int column);
    void 自动给重复姓名后加序号();
    void 删除姓名手机座机全部重复项();
    void 删除空白项();
    void 删除姓名中的空格();
    void 删除号码中的空格(bool landline);
    void 删除座机号前面的区号();
    void 移动手机栏中的座机号码到座机栏();
    void 移动座机栏中的手机号码到手机栏();
    // Tools and help.
    void 设置();
    void 关于();
    // The update check: Timer1's one tick sends the request, and a newer published version shows Label11, says so
    // and opens the product page.
    void checkForUpdate();
    void CheckNewVersion(const QString &version);
    // The editor panel.
    void rowClicked(int row);
    void 保存全部信息();
    void 清空全部();

protected:
    // Whether the list may be replaced: true when there are no changes not yet exported, or the user gives them up.
    [[nodiscard]] bool mayDropChanges();
    // "退出" and the window's close button ask first while there are changes not yet exported.
    void closeEvent(QCloseEvent *event) override;

private:
    friend class ContactStep;
    // A user command as one undo step: what it changes between beginStep and endStep is recorded; commands that
    // run inside another belong to the outer one's step.
    class StepScope;
    void beginStep(const QString &name);
    void endStep();
    void showStep(EditStep &step, bool undone);
    void refreshPanel(const std::vector<int> &touched);
    void updateCaption();

    void buildControls();
    void buildMenus();
    QAction *menuItem(QMenu *menu, const QString &caption, const QString &function,
                      const std::function<void()> &handler);
    void setCountLabel();
    void showSortIndicator();
    void listChanged();
    void applyChanges(const ChangeSet &changes);
    [[nodiscard]] int panelRecord() const;
    void placeControls(QSize client);
    void resetTable();
    void showProgress(const QString &text);
    void hideProgress();
    bool importOne(const QString &path);
    void tellUnread(int unread);
    void associateOnFirstRun();
    void openInBrowser(const QString &address);
    enum class ExportKind { VCard, Text };
    void exportList(ExportKind kind);

    Prompter &m_prompter;
    DesktopServices *m_desktop;
    QHash<QWidget *, QRect> m_designPlaces; // where the controls that move with the window's size stand by design
    ContactTable m_table;
    ContactListModel *m_model;
    quint64 m_tableGeneration = 0; // grows with every reset of the table
    QUndoStack *m_undo;
    std::unique_ptr<EditStep> m_step; // the command being recorded
    int m_stepDepth = 0;
    std::shared_ptr<const RowsSnapshot> m_lastRows; // the list as the last step left it, shared with the next
    QString m_caption; // the caption start-up set; "*" follows it while there are changes not exported
};

} // namespace vecardia

namespace vecardia {

// Records what a command changes as one undo step, for as long as it is in scope.
class Form1::StepScope {
public:
    StepScope(Form1 &window, const QString &name) : m_window(window) { m_window.beginStep(name); }
    ~StepScope() { m_window.endStep(); }
    StepScope(const StepScope &) = delete;
    StepScope &operator=(const StepScope &) = delete;

private:
    Form1 &m_window;
};

} // namespace vecardia
