#include "account_window/gui/ApplicationsPageWidget.h"

#include "account_window/gui/PageWidgets.h"
#include "core/AppContext.h"
#include "session/ProgramList.h"
#include "users/Users.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

int programColumnWidth(int column)
{
    static const int widths[ProgramListModel::ColumnCount] = {260, 50, 50, 50, 180};
    return column >= 0 && column < ProgramListModel::ColumnCount ? widths[column] : -1;
}

} // namespace

ApplicationsPageWidget::ApplicationsPageWidget(AppContext &ctx, QWidget *parent) : QWidget(parent), m_ctx(ctx)
{
    m_model = new ProgramListModel(ctx, this);
    m_list = MakePageList(m_model, "ProgramsListView");
    SetPageColumnWidths(m_list, &programColumnWidth, ProgramListModel::ColumnCount);
    m_addButton = MakePageButton(QStringLiteral("&Add"), "AddProgramButton");
    m_editButton = MakePageButton(QStringLiteral("&Edit"), "EditProgramButton");
    m_removeButton = MakePageButton(QStringLiteral("&Remove"), "RemoveProgramButton");
    m_runButton = MakePageButton(QStringLiteral("&Run"), "RunProgramButton");
    connect(m_addButton, &QPushButton::clicked, this, [this] { Q_EMIT editorRequested(0); });
    connect(m_editButton, &QPushButton::clicked, this, &ApplicationsPageWidget::onEditClicked);
    connect(m_removeButton, &QPushButton::clicked, this, &ApplicationsPageWidget::onRemoveClicked);
    connect(m_runButton, &QPushButton::clicked, this, &ApplicationsPageWidget::onRunClicked);
    // A user kept from editing the programs cannot do it by double-click either.
    connect(m_list, &QTableView::doubleClicked, this, [this] {
        if (editingAllowed())
            onEditClicked();
    });
    connect(&ctx.events, &EngineEvents::programListChanged, this, &ApplicationsPageWidget::UpdateProgramsList);

    auto *text = new QLabel(QStringLiteral("Below is a list of applications that will be executed when you open a "
                                           "session, ie when you connect to the internet. To add an application, "
                                           "press the Add button."));
    text->setWordWrap(true);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_runButton);
    buttons->addStretch(1);
    for (QPushButton *b : {m_addButton, m_editButton, m_removeButton})
        buttons->addWidget(b);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
}

void ApplicationsPageWidget::UpdateProgramsList()
{
    m_model->rebuild();
    SelectPageRow(m_list, 0);
}

void ApplicationsPageWidget::clear()
{
    m_model->clear();
}

void ApplicationsPageWidget::applyRestrictions()
{
    const bool allowed = editingAllowed();
    for (QPushButton *b : {m_addButton, m_editButton, m_removeButton})
        b->setVisible(allowed);
}

bool ApplicationsPageWidget::editingAllowed() const
{
    return !RestrictionApplies(m_ctx, DisableSessionApplicationsEditing);
}

void ApplicationsPageWidget::onEditClicked()
{
    const int row = SelectedPageRow(m_list);
    if (row >= 0)
        Q_EMIT editorRequested(row + 1);
}

void ApplicationsPageWidget::onRemoveClicked()
{
    const int row = SelectedPageRow(m_list);
    if (row >= 0)
        RemoveProgram(m_ctx, row + 1);
}

void ApplicationsPageWidget::onRunClicked()
{
    const int row = SelectedPageRow(m_list);
    if (row >= 0)
        RunListedProgram(m_ctx, row + 1);
}
