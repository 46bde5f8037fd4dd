#pragma once

#include <QWidget>

class ProgramListModel;
class QPushButton;
class QTableView;
struct AppContext;

// The account window's "Applications" page: the programs started when a
// session opens, added and edited through the program dialog (which the
// owner opens), removed, or started at once with "&Run".
class ApplicationsPageWidget : public QWidget
{
    Q_OBJECT

public:
    explicit ApplicationsPageWidget(AppContext &ctx, QWidget *parent = nullptr);

    // Rebuilds the list; the first row is selected.
    void UpdateProgramsList();
    void clear();
    // "Disable session applications editing" hides "&Add", "&Edit" and
    // "&Remove" (not for an administrator).
    void applyRestrictions();

    ProgramListModel *model() const { return m_model; }
    QTableView *list() const { return m_list; }
    QPushButton *addButton() const { return m_addButton; }
    QPushButton *editButton() const { return m_editButton; }
    QPushButton *removeButton() const { return m_removeButton; }
    QPushButton *runButton() const { return m_runButton; }

Q_SIGNALS:
    // The program dialog, on program `program` (0: a new program).
    void editorRequested(int program);

private:
    void onEditClicked();
    void onRemoveClicked();
    void onRunClicked();
    bool editingAllowed() const;

    AppContext &m_ctx;
    ProgramListModel *m_model = nullptr;
    QTableView *m_list = nullptr;
    QPushButton *m_addButton = nullptr;
    QPushButton *m_editButton = nullptr;
    QPushButton *m_removeButton = nullptr;
    QPushButton *m_runButton = nullptr;
};
